// The lesson catalogue: names of the four operations and of their 25 lessons each.
#include "lessons/catalogue.h"

LessonCatalogueData LessonCatalogue;

namespace {
// The byte the built-in code page 437 font draws as the division sign.
const std::string DivisionSign(1, static_cast<char>(246));

const char* const DigitLessons[10] = {"1x1", "2x1", "3x1", "4x1", "2x2", "3x2", "4x2", "3x3", "4x3", "4x4"};
}  // namespace

void fillLessonCatalogue() {
    const char* const operations[OperationCount] = {"Add", "Subtract", "Multiply", "Divide"};
    for (int op = 0; op < OperationCount; ++op) {
        LessonCatalogue[op][0] = operations[op];
        for (int entry = 1; entry <= LessonCount; ++entry) LessonCatalogue[op][entry] = "RESERVED";
    }
    const char* const limits[5] = {"10", "20", "50", "100", "999"};
    for (int i = 0; i < 5; ++i) {
        LessonCatalogue[Add][i + 1] = std::string("Make ") + limits[i];
        LessonCatalogue[Subtract][i + 1] = std::string("From ") + limits[i];
    }
    for (int i = 0; i < 10; ++i) {
        LessonCatalogue[Add][5 + i + 1] = DigitLessons[i];
        LessonCatalogue[Subtract][5 + i + 1] = DigitLessons[i];
        LessonCatalogue[Multiply][15 + i + 1] = DigitLessons[i];
        LessonCatalogue[Divide][15 + i + 1] = DigitLessons[i];
    }
    LessonCatalogue[Multiply][1] = "All";
    LessonCatalogue[Multiply][2] = "Custom";
    LessonCatalogue[Divide][1] = "All";
    LessonCatalogue[Divide][2] = "Custom";
    for (int table = 0; table <= 12; ++table) {
        std::string suffix = " ";
        suffix += std::to_string(table);
        suffix += 's';
        LessonCatalogue[Multiply][2 + table + 1] = 'x' + suffix;
        LessonCatalogue[Divide][2 + table + 1] = DivisionSign + suffix;
    }
}

std::string operationName(int operation) {
    if (operation < 0 || operation >= OperationCount) return {};
    return LessonCatalogue[operation][0];
}

std::string lessonName(int operation, int lesson) {
    if (operation < 0 || operation >= OperationCount || lesson < 0 || lesson >= LessonCount) return {};
    return LessonCatalogue[operation][lesson + 1];
}
