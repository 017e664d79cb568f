// The contact sheet: every picture enlarged and labelled with its path, on one PNG for review.
#pragma once
#include <string>
#include <vector>

#include "picture_set.h"

// Lays the pictures out in load order, small ones four times and 320-wide ones twice enlarged,
// each under its path, and writes the sheet as PNG. Returns false when the file cannot be written.
bool writeContactSheet(const std::vector<Picture>& pictures, const std::string& pngPath);
