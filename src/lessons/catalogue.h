// The lesson catalogue: the four operations and the names of their 25 lessons.
#pragma once
#include <array>
#include <string>

enum Operation : int { Add = 0, Subtract = 1, Multiply = 2, Divide = 3 };

constexpr int OperationCount = 4;
constexpr int LessonCount = 25;  // lesson indices 0..24 for every operation

// Row = operation; entry 0 the operation's name, entry L + 1 the name of lesson L.
using LessonCatalogueData = std::array<std::array<std::string, LessonCount + 1>, OperationCount>;
extern LessonCatalogueData LessonCatalogue;

// Called once at start-up, after the sound bank is loaded and before the Game is built.
void fillLessonCatalogue();
// Operation outside 0..3 or lesson outside 0..24 give the empty text.
std::string operationName(int operation);
std::string lessonName(int operation, int lesson);
