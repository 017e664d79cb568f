// Tests of the lesson catalogue and of the problem generator and judge.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "lessons/catalogue.h"
#include "lessons/problem.h"
#include "present/random.h"

namespace {

const std::string Div(1, static_cast<char>(246));

TEST(LessonCatalogue, FilledNamesAndPlaceholders) {
    fillLessonCatalogue();
    EXPECT_EQ(operationName(Add), "Add");
    EXPECT_EQ(operationName(Subtract), "Subtract");
    EXPECT_EQ(operationName(Multiply), "Multiply");
    EXPECT_EQ(operationName(Divide), "Divide");
    for (int op = 0; op < OperationCount; ++op) {
        for (int lesson = 0; lesson < LessonCount; ++lesson) {
            EXPECT_FALSE(lessonName(op, lesson).empty()) << op << " " << lesson;
        }
    }
    for (int lesson = 15; lesson < LessonCount; ++lesson) {
        EXPECT_EQ(lessonName(Add, lesson), "RESERVED");
        EXPECT_EQ(lessonName(Subtract, lesson), "RESERVED");
    }
    EXPECT_EQ(lessonName(Add, 0), "Make 10");
    EXPECT_EQ(lessonName(Add, 4), "Make 999");
    EXPECT_EQ(lessonName(Subtract, 3), "From 100");
    EXPECT_EQ(lessonName(Add, 5), "1x1");
    EXPECT_EQ(lessonName(Subtract, 14), "4x4");
    EXPECT_EQ(lessonName(Multiply, 0), "All");
    EXPECT_EQ(lessonName(Multiply, 1), "Custom");
    EXPECT_EQ(lessonName(Multiply, 2), "x 0s");
    EXPECT_EQ(lessonName(Multiply, 14), "x 12s");
    EXPECT_EQ(lessonName(Multiply, 19), "2x2");
    EXPECT_EQ(lessonName(Divide, 1), "Custom");
    EXPECT_EQ(lessonName(Divide, 9), Div + " 7s");
    EXPECT_EQ(lessonName(Divide, 24), "4x4");
    // The name of Divide lesson 14 is five bytes: the division sign, a blank, "12s".
    const std::string twelve = lessonName(Divide, 14);
    ASSERT_EQ(twelve.size(), 5u);
    EXPECT_EQ(static_cast<unsigned char>(twelve[0]), 246);
    EXPECT_EQ(twelve.substr(1), " 12s");
    EXPECT_EQ(lessonName(Add, 25), "");
    EXPECT_EQ(lessonName(-1, 0), "");
    EXPECT_EQ(operationName(4), "");
}

// Serves a chosen sequence of random numbers to the generator and counts the draws.
class ChosenDraws : public ::testing::Test {
protected:
    std::vector<double> sequence;
    std::size_t drawn = 0;
    bool overrun = false;

    void SetUp() override {
        setProblemRandomSource([this] {
            if (drawn >= sequence.size()) {
                overrun = true;
                return 0.0;
            }
            return sequence[drawn++];
        });
    }
    void TearDown() override { setProblemRandomSource({}); }
    void serve(std::vector<double> values) {
        sequence = std::move(values);
        drawn = 0;
        overrun = false;
    }
};

struct Expected {
    int operation, lesson, left, right, answer;
    const char* question;
    const char* solution;
    int draws;
};

// Every lesson of every operation from the sequence 0.25, 0.5, 0.75, 0.1, ... Ties such as 2.5
// and 6.5 go to the even neighbour. "Custom" has the tables 3, 7 and 12 chosen.
const Expected EveryLesson[] = {
        {0, 0, 5, 2, 7, "5+2=", "5+2=7", 3},
        {0, 1, 10, 5, 15, "10+5=", "10+5=15", 3},
        {0, 2, 25, 12, 37, "25+12=", "25+12=37", 3},
        {0, 3, 50, 25, 75, "50+25=", "50+25=75", 3},
        {0, 4, 500, 250, 750, "500+250=", "500+250=750", 3},
        {0, 5, 4, 2, 6, "4+2=", "4+2=6", 3},
        {0, 6, 4, 32, 36, "4+32=", "4+32=36", 3},
        {0, 7, 4, 325, 329, "4+325=", "4+325=329", 3},
        {0, 8, 4, 3250, 3254, "4+3250=", "4+3250=3254", 3},
        {0, 9, 54, 32, 86, "54+32=", "54+32=86", 3},
        {0, 10, 54, 325, 379, "54+325=", "54+325=379", 3},
        {0, 11, 54, 3250, 3304, "54+3250=", "54+3250=3304", 3},
        {0, 12, 550, 325, 875, "550+325=", "550+325=875", 3},
        {0, 13, 550, 3250, 3800, "550+3250=", "550+3250=3800", 3},
        {0, 14, 5500, 3250, 8750, "5500+3250=", "5500+3250=8750", 3},
        {0, 15, 5, 2, 7, "5+2=", "5+2=7", 3},
        {0, 16, 5, 2, 7, "5+2=", "5+2=7", 3},
        {0, 17, 5, 2, 7, "5+2=", "5+2=7", 3},
        {0, 18, 5, 2, 7, "5+2=", "5+2=7", 3},
        {0, 19, 5, 2, 7, "5+2=", "5+2=7", 3},
        {0, 20, 5, 2, 7, "5+2=", "5+2=7", 3},
        {0, 21, 5, 2, 7, "5+2=", "5+2=7", 3},
        {0, 22, 5, 2, 7, "5+2=", "5+2=7", 3},
        {0, 23, 5, 2, 7, "5+2=", "5+2=7", 3},
        {0, 24, 5, 2, 7, "5+2=", "5+2=7", 3},
        {1, 0, 5, 2, 3, "5-2=", "5-2=3", 2},
        {1, 1, 10, 5, 5, "10-5=", "10-5=5", 2},
        {1, 2, 25, 12, 13, "25-12=", "25-12=13", 2},
        {1, 3, 50, 25, 25, "50-25=", "50-25=25", 2},
        {1, 4, 500, 250, 250, "500-250=", "500-250=250", 2},
        {1, 5, 4, 2, 2, "4-2=", "4-2=2", 2},
        {1, 6, 32, 4, 28, "32-4=", "32-4=28", 2},
        {1, 7, 325, 4, 321, "325-4=", "325-4=321", 2},
        {1, 8, 3250, 4, 3246, "3250-4=", "3250-4=3246", 2},
        {1, 9, 54, 32, 22, "54-32=", "54-32=22", 2},
        {1, 10, 325, 54, 271, "325-54=", "325-54=271", 2},
        {1, 11, 3250, 54, 3196, "3250-54=", "3250-54=3196", 2},
        {1, 12, 550, 325, 225, "550-325=", "550-325=225", 2},
        {1, 13, 3250, 550, 2700, "3250-550=", "3250-550=2700", 2},
        {1, 14, 5500, 3250, 2250, "5500-3250=", "5500-3250=2250", 2},
        {1, 15, 5, 2, 3, "5-2=", "5-2=3", 2},
        {1, 16, 5, 2, 3, "5-2=", "5-2=3", 2},
        {1, 17, 5, 2, 3, "5-2=", "5-2=3", 2},
        {1, 18, 5, 2, 3, "5-2=", "5-2=3", 2},
        {1, 19, 5, 2, 3, "5-2=", "5-2=3", 2},
        {1, 20, 5, 2, 3, "5-2=", "5-2=3", 2},
        {1, 21, 5, 2, 3, "5-2=", "5-2=3", 2},
        {1, 22, 5, 2, 3, "5-2=", "5-2=3", 2},
        {1, 23, 5, 2, 3, "5-2=", "5-2=3", 2},
        {1, 24, 5, 2, 3, "5-2=", "5-2=3", 2},
        {2, 0, 6, 3, 18, "6x3=", "6x3=18", 3},
        {2, 1, 3, 7, 21, "3x7=", "3x7=21", 4},
        {2, 2, 3, 0, 0, "3x0=", "3x0=0", 2},
        {2, 3, 3, 1, 3, "3x1=", "3x1=3", 2},
        {2, 4, 3, 2, 6, "3x2=", "3x2=6", 2},
        {2, 5, 3, 3, 9, "3x3=", "3x3=9", 2},
        {2, 6, 3, 4, 12, "3x4=", "3x4=12", 2},
        {2, 7, 3, 5, 15, "3x5=", "3x5=15", 2},
        {2, 8, 3, 6, 18, "3x6=", "3x6=18", 2},
        {2, 9, 3, 7, 21, "3x7=", "3x7=21", 2},
        {2, 10, 3, 8, 24, "3x8=", "3x8=24", 2},
        {2, 11, 3, 9, 27, "3x9=", "3x9=27", 2},
        {2, 12, 3, 10, 30, "3x10=", "3x10=30", 2},
        {2, 13, 3, 11, 33, "3x11=", "3x11=33", 2},
        {2, 14, 3, 12, 36, "3x12=", "3x12=36", 2},
        {2, 15, 4, 2, 8, "4x2=", "4x2=8", 3},
        {2, 16, 4, 32, 128, "4x32=", "4x32=128", 3},
        {2, 17, 4, 325, 1300, "4x325=", "4x325=1300", 3},
        {2, 18, 4, 3250, 13000, "4x3250=", "4x3250=13000", 3},
        {2, 19, 54, 32, 1728, "54x32=", "54x32=1728", 3},
        {2, 20, 54, 325, 17550, "54x325=", "54x325=17550", 3},
        {2, 21, 54, 3250, 175500, "54x3250=", "54x3250=175500", 3},
        {2, 22, 550, 325, 178750, "550x325=", "550x325=178750", 3},
        {2, 23, 550, 3250, 1787500, "550x3250=", "550x3250=1787500", 3},
        {2, 24, 5500, 3250, 17875000, "5500x3250=", "5500x3250=17875000", 3},
        {3, 0, 6, 3, 6, "18\xF6" "3=", "18\xF6" "3=6", 3},
        {3, 1, 3, 9, 3, "27\xF6" "9=", "27\xF6" "9=3", 4},
        {3, 2, 0, 4, 0, "0\xF6" "4=", "0\xF6" "4=0", 2},
        {3, 3, 1, 4, 1, "4\xF6" "4=", "4\xF6" "4=1", 2},
        {3, 4, 2, 4, 2, "8\xF6" "4=", "8\xF6" "4=2", 2},
        {3, 5, 3, 4, 3, "12\xF6" "4=", "12\xF6" "4=3", 2},
        {3, 6, 4, 4, 4, "16\xF6" "4=", "16\xF6" "4=4", 2},
        {3, 7, 5, 4, 5, "20\xF6" "4=", "20\xF6" "4=5", 2},
        {3, 8, 6, 4, 6, "24\xF6" "4=", "24\xF6" "4=6", 2},
        {3, 9, 7, 4, 7, "28\xF6" "4=", "28\xF6" "4=7", 2},
        {3, 10, 8, 4, 8, "32\xF6" "4=", "32\xF6" "4=8", 2},
        {3, 11, 9, 4, 9, "36\xF6" "4=", "36\xF6" "4=9", 2},
        {3, 12, 10, 4, 10, "40\xF6" "4=", "40\xF6" "4=10", 2},
        {3, 13, 11, 4, 11, "44\xF6" "4=", "44\xF6" "4=11", 2},
        {3, 14, 12, 4, 12, "48\xF6" "4=", "48\xF6" "4=12", 2},
        {3, 15, 2, 7, 2, "14\xF6" "7=", "14\xF6" "7=2", 3},
        {3, 16, 32, 7, 32, "224\xF6" "7=", "224\xF6" "7=32", 3},
        {3, 17, 325, 7, 325, "2275\xF6" "7=", "2275\xF6" "7=325", 3},
        {3, 18, 3250, 7, 3250, "22750\xF6" "7=", "22750\xF6" "7=3250", 3},
        {3, 19, 32, 54, 32, "1728\xF6" "54=", "1728\xF6" "54=32", 2},
        {3, 20, 325, 54, 325, "17550\xF6" "54=", "17550\xF6" "54=325", 2},
        {3, 21, 3250, 54, 3250, "175500\xF6" "54=", "175500\xF6" "54=3250", 2},
        {3, 22, 325, 550, 325, "178750\xF6" "550=", "178750\xF6" "550=325", 2},
        {3, 23, 3250, 550, 3250, "1787500\xF6" "550=", "1787500\xF6" "550=3250", 2},
        {3, 24, 3250, 5500, 3250, "17875000\xF6" "5500=", "17875000\xF6" "5500=3250", 2},
};

TEST_F(ChosenDraws, EveryLessonOfEveryOperation) {
    for (const Expected& e : EveryLesson) {
        serve({0.25, 0.5, 0.75, 0.1, 0.9, 0.45, 0.55, 0.05, 0.95, 0.6});
        Problem p;
        p.operation = e.operation;
        p.lesson = e.lesson;
        p.tables[3] = p.tables[7] = p.tables[12] = 1;
        p.tries = 5;
        generate(p);
        SCOPED_TRACE(::testing::Message() << "operation " << e.operation << " lesson " << e.lesson);
        EXPECT_EQ(p.left, e.left);
        EXPECT_EQ(p.right, e.right);
        EXPECT_EQ(p.answer, e.answer);
        EXPECT_EQ(p.question, e.question);
        EXPECT_EQ(p.solution, e.solution);
        EXPECT_EQ(drawn, static_cast<std::size_t>(e.draws));
        EXPECT_EQ(p.tries, 0);
        EXPECT_FALSE(overrun);
    }
}

TEST_F(ChosenDraws, SumLimitDrawsAgainUntilThePairFits) {
    // 9 + 8 > 10 and 6 + 7 > 10 are dropped; 6 + 4 fits; the swap draw 0.2 keeps the order.
    serve({0.9, 0.8, 0.6, 0.7, 0.6, 0.4, 0.2});
    Problem p;
    p.operation = Add;
    p.lesson = 0;
    generate(p);
    EXPECT_EQ(p.solution, "6+4=10");
    EXPECT_EQ(drawn, 7u);
    // Subtract never draws a swap; it orders the pair so the answer is not negative.
    serve({0.4, 0.6});
    p.operation = Subtract;
    generate(p);
    EXPECT_EQ(p.solution, "6-4=2");
    EXPECT_EQ(drawn, 2u);
}

TEST_F(ChosenDraws, PlaceholderLessonsAndSwaps) {
    // Add lesson 20 draws as "Make 10".
    serve({0.3, 0.4, 0.5});
    Problem p;
    p.operation = Add;
    p.lesson = 20;
    generate(p);
    EXPECT_EQ(p.solution, "3+4=7");  // nearest(0.5) is 0: no swap
    // Divide never swaps a zero operand, even when the swap draw says so.
    serve({0.3, 0.9});
    p.operation = Divide;
    p.lesson = 2;  // Divide by the 0s table
    generate(p);
    EXPECT_EQ(p.question, "0" + Div + "4=");
    EXPECT_EQ(p.answer, 0);
    EXPECT_EQ(drawn, 2u);
}

TEST_F(ChosenDraws, ChosenTableWalk) {
    Problem none;
    Problem all;
    for (auto& t : all.tables) t = 1;
    Problem one;
    one.tables[7] = 1;
    Problem notExactlyOne;
    notExactlyOne.tables[7] = 2;  // only a flag of exactly 1 chooses a table

    // No table chosen: the walk gives up on table 1, except with 0 steps where it stays on the start.
    serve({0.5, 0.25});
    EXPECT_EQ(pickChosenTable(none), 1);
    serve({0.01, 0.75});
    EXPECT_EQ(pickChosenTable(none), 9);
    serve({0.5, 0.25});
    EXPECT_EQ(pickChosenTable(notExactlyOne), 1);
    // All chosen: start + steps, modulo 13.
    serve({0.5, 0.75});
    EXPECT_EQ(pickChosenTable(all), 2);
    serve({0.99, 1.0 - 1e-9});
    EXPECT_EQ(pickChosenTable(all), 11);  // 12 steps from 12
    // One chosen: found once per lap of 13, so two steps fit in 24 moves only from a near start.
    serve({1.0 / 12, 0.25});  // 1 step from 3
    EXPECT_EQ(pickChosenTable(one), 7);
    serve({2.0 / 12, 0.25});  // 2 steps from 3: table 7 at moves 4 and 17
    EXPECT_EQ(pickChosenTable(one), 7);
    serve({2.0 / 12, 8.0 / 12});  // 2 steps from 8: table 7 at move 12, then out of moves
    EXPECT_EQ(pickChosenTable(one), 1);
    EXPECT_EQ(drawn, 2u);
}

TEST_F(ChosenDraws, OperationOutsideTheCatalogueDrawsNothing) {
    serve({});
    Problem p;
    p.operation = 4;
    p.left = 3;
    p.right = 4;
    p.answer = 12;
    p.question = "old";
    p.solution = "old";
    p.tries = 2;
    generate(p);
    EXPECT_EQ(drawn, 0u);
    EXPECT_FALSE(overrun);
    EXPECT_EQ(p.left, 3);
    EXPECT_EQ(p.right, 4);
    EXPECT_EQ(p.answer, 12);
    EXPECT_EQ(p.question, "");
    EXPECT_EQ(p.solution, "");
    EXPECT_EQ(p.tries, 0);
}

TEST_F(ChosenDraws, DivideLessonOutsideTheCatalogueNeverDividesByZero) {
    // A lesson beyond the catalogue keeps the operands it had; a fresh problem has a divisor of 0.
    serve({0.9});
    Problem p;
    p.operation = Divide;
    p.lesson = -1;
    generate(p);
    EXPECT_EQ(p.answer, 0);
    EXPECT_EQ(p.solution, "0" + Div + "0=0");
}

TEST(ProblemJudge, CountsEveryTry) {
    Problem p;
    p.answer = 12;
    EXPECT_FALSE(check(p, 11));
    EXPECT_FALSE(check(p, -12));
    EXPECT_TRUE(check(p, 12));
    EXPECT_EQ(p.tries, 3);
    EXPECT_TRUE(check(p, 12));
    EXPECT_EQ(p.tries, 4);
}

int digitCount(int n) { return n < 10 ? 1 : n < 100 ? 2 : n < 1000 ? 3 : 4; }

const int DigitPairs[10][2] = {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {2, 2}, {3, 2}, {4, 2}, {3, 3}, {4, 3}, {4, 4}};

// Properties over many draws of the real generator.
TEST(ProblemProperties, OperandsStayInTheirRanges) {
    seedRandom(20240917.5);
    const int limits[5] = {10, 20, 50, 100, 999};
    Problem p;
    for (int i = 0; i < 400; ++i) {
        for (int op = 0; op < OperationCount; ++op) {
            for (int lesson = 0; lesson < LessonCount; ++lesson) {
                p.operation = op;
                p.lesson = lesson;
                generate(p);
                SCOPED_TRACE(::testing::Message() << op << " " << lesson << " " << p.solution);
                const bool sumLesson = op <= Subtract && (lesson <= 4 || lesson >= 15);
                if (sumLesson) {
                    const int n = lesson <= 4 ? limits[lesson] : 10;
                    ASSERT_GE(p.left, 0);
                    ASSERT_GE(p.right, 0);
                    ASSERT_LE(p.left + p.right, n);
                }
                const bool digitLesson = (op <= Subtract && lesson >= 5 && lesson <= 14) ||
                                         (op >= Multiply && lesson >= 15);
                if (digitLesson) {
                    const int* d = DigitPairs[op <= Subtract ? lesson - 5 : lesson - 15];
                    int a = digitCount(p.left), b = digitCount(p.right);
                    if (op == Divide) {
                        ASSERT_EQ(a, d[0]);  // never swapped
                        ASSERT_EQ(b, d[1]);
                        ASSERT_GE(p.right, 1);
                    } else {
                        ASSERT_TRUE((a == d[0] && b == d[1]) || (a == d[1] && b == d[0]));
                    }
                }
                if (op == Subtract) {
                    ASSERT_GE(p.answer, 0);
                }
                if (op == Divide) {
                    ASSERT_NE(p.right, 0);
                    ASSERT_EQ(p.answer * p.right, p.left * p.right);
                    ASSERT_EQ(p.question, std::to_string(p.left * p.right) + Div + std::to_string(p.right) + "=");
                }
                if (op == Multiply && lesson >= 2 && lesson <= 14) {
                    ASSERT_TRUE(p.left == lesson - 2 || p.right == lesson - 2);
                    ASSERT_LE(std::max(p.left, p.right), 12);
                }
                ASSERT_EQ(p.solution, p.question + std::to_string(p.answer));
                ASSERT_EQ(p.question.find(' '), std::string::npos);
            }
        }
    }
}

TEST(ProblemProperties, EndValuesComeHalfAsOften) {
    // The divisor of the Divide 0s table is nearest(rnd() x 11 + 1): 1 and 12 are reached from half an
    // interval each, so they come half as often as each of 2 to 11.
    seedRandom(7.25);
    Problem p;
    p.operation = Divide;
    p.lesson = 2;
    std::array<int, 13> seen{};
    const int draws = 110000;
    for (int i = 0; i < draws; ++i) {
        generate(p);
        ASSERT_EQ(p.left, 0);
        ASSERT_GE(p.right, 1);
        ASSERT_LE(p.right, 12);
        ++seen[p.right];
    }
    const double inner = draws / 11.0;
    for (int v = 2; v <= 11; ++v) EXPECT_NEAR(seen[v], inner, inner * 0.05) << v;
    EXPECT_NEAR(seen[1], inner / 2, inner * 0.04);
    EXPECT_NEAR(seen[12], inner / 2, inner * 0.04);
}

TEST(ProblemProperties, CustomWalkLandsOnChosenTablesOrTableOne) {
    seedRandom(99.0);
    Problem some;
    some.operation = Multiply;
    some.lesson = 1;
    some.tables[4] = some.tables[9] = 1;
    Problem all = some;
    for (auto& t : all.tables) t = 1;
    std::array<int, 13> hits{};
    for (int i = 0; i < 5000; ++i) {
        generate(all);
        ASSERT_LE(std::max(all.left, all.right), 12);
        const int table = pickChosenTable(some);
        ++hits[table];
    }
    // With two tables chosen the walk ends on one of them, on table 1 when it runs out of moves,
    // or on the random start when it takes no step at all (1 draw in 24).
    // Two chosen tables meet a walk of more than about four steps too rarely: table 1 wins most.
    EXPECT_GT(hits[4], 500);
    EXPECT_GT(hits[9], 500);
    EXPECT_GT(hits[1], 2500);
    int elsewhere = 0;
    for (int t = 0; t < 13; ++t) {
        if (t != 1 && t != 4 && t != 9) elsewhere += hits[t];
    }
    EXPECT_LT(elsewhere, 5000 / 24 * 2);
}

}  // namespace
