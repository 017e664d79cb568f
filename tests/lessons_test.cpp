// Tests of the lesson catalogue and of the problem generator and judge.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "lessons/catalogue.h"
#include "lessons/problem.h"
#include "present/random.h"

namespace {

const char DivSign = static_cast<char>(246);
const std::string Div(1, DivSign);

TEST(LessonCatalogue, NamesAndPlaceholders) {
    fillLessonCatalogue();
    const char* ops[] = {"Add", "Subtract", "Multiply", "Divide"};
    for (int op = 0; op < OperationCount; ++op) {
        EXPECT_EQ(operationName(op), ops[op]);
        for (int lesson = 0; lesson < LessonCount; ++lesson) EXPECT_FALSE(lessonName(op, lesson).empty());
    }
    for (int lesson = 15; lesson < LessonCount; ++lesson) {
        EXPECT_EQ(lessonName(Add, lesson), "RESERVED");
        EXPECT_EQ(lessonName(Subtract, lesson), "RESERVED");
    }
    const std::pair<std::pair<int, int>, std::string> names[] = {
        {{Add, 0}, "Make 10"}, {{Add, 4}, "Make 999"}, {{Subtract, 3}, "From 100"}, {{Add, 5}, "1x1"},
        {{Subtract, 14}, "4x4"}, {{Multiply, 0}, "All"}, {{Multiply, 1}, "Custom"}, {{Multiply, 2}, "x 0s"},
        {{Multiply, 14}, "x 12s"}, {{Multiply, 19}, "2x2"}, {{Divide, 1}, "Custom"}, {{Divide, 9}, Div + " 7s"},
        {{Divide, 24}, "4x4"}, {{Divide, 14}, "\xF6\x20\x31\x32\x73"}, {{Add, 25}, ""}, {{-1, 0}, ""}};
    for (const auto& [at, name] : names) EXPECT_EQ(lessonName(at.first, at.second), name);
    EXPECT_EQ(operationName(4), "");
}

// Serves a chosen sequence of random numbers to the generator and counts the draws.
class ChosenDraws : public ::testing::Test {
protected:
    std::vector<double> sequence;
    std::size_t drawn = 0;

    void SetUp() override {
        setProblemRandomSource([this] {
            EXPECT_LT(drawn, sequence.size()) << "more draws than the sequence holds";
            return drawn < sequence.size() ? sequence[drawn++] : 0.0;
        });
    }
    void TearDown() override { setProblemRandomSource({}); }
    void serve(std::vector<double> values) {
        sequence = std::move(values);
        drawn = 0;
    }
    Problem make(int operation, int lesson, std::vector<double> values) {
        serve(std::move(values));
        Problem p;
        p.operation = operation;
        p.lesson = lesson;
        p.tries = 5;
        return p;
    }
};

struct Expected {
    int operation, lesson, left, right;
    const char* solution;  // "/" stands for the division sign
    int draws;
};

// Every lesson of every operation from the sequence below; ties such as 2.5 and 6.5 go to the
// even neighbour. "Custom" has the tables 3, 7 and 12 chosen. The placeholder lessons 15 to 24
// of Add and Subtract are checked against lesson 0 after the table.
const std::vector<double> Sequence = {0.25, 0.5, 0.75, 0.1, 0.9, 0.45, 0.55, 0.05, 0.95, 0.6};
const Expected EveryLesson[] = {
    {0, 0, 5, 2, "5+2=7", 3}, {0, 1, 10, 5, "10+5=15", 3}, {0, 2, 25, 12, "25+12=37", 3},
    {0, 3, 50, 25, "50+25=75", 3}, {0, 4, 500, 250, "500+250=750", 3}, {0, 5, 4, 2, "4+2=6", 3},
    {0, 6, 4, 32, "4+32=36", 3}, {0, 7, 4, 325, "4+325=329", 3}, {0, 8, 4, 3250, "4+3250=3254", 3},
    {0, 9, 54, 32, "54+32=86", 3}, {0, 10, 54, 325, "54+325=379", 3}, {0, 11, 54, 3250, "54+3250=3304", 3},
    {0, 12, 550, 325, "550+325=875", 3}, {0, 13, 550, 3250, "550+3250=3800", 3}, {0, 14, 5500, 3250, "5500+3250=8750", 3},
    {1, 0, 5, 2, "5-2=3", 2}, {1, 1, 10, 5, "10-5=5", 2}, {1, 2, 25, 12, "25-12=13", 2},
    {1, 3, 50, 25, "50-25=25", 2}, {1, 4, 500, 250, "500-250=250", 2}, {1, 5, 4, 2, "4-2=2", 2},
    {1, 6, 32, 4, "32-4=28", 2}, {1, 7, 325, 4, "325-4=321", 2}, {1, 8, 3250, 4, "3250-4=3246", 2},
    {1, 9, 54, 32, "54-32=22", 2}, {1, 10, 325, 54, "325-54=271", 2}, {1, 11, 3250, 54, "3250-54=3196", 2},
    {1, 12, 550, 325, "550-325=225", 2}, {1, 13, 3250, 550, "3250-550=2700", 2}, {1, 14, 5500, 3250, "5500-3250=2250", 2},
    {2, 0, 6, 3, "6x3=18", 3}, {2, 1, 3, 7, "3x7=21", 4}, {2, 2, 3, 0, "3x0=0", 2},
    {2, 3, 3, 1, "3x1=3", 2}, {2, 4, 3, 2, "3x2=6", 2}, {2, 5, 3, 3, "3x3=9", 2},
    {2, 6, 3, 4, "3x4=12", 2}, {2, 7, 3, 5, "3x5=15", 2}, {2, 8, 3, 6, "3x6=18", 2},
    {2, 9, 3, 7, "3x7=21", 2}, {2, 10, 3, 8, "3x8=24", 2}, {2, 11, 3, 9, "3x9=27", 2},
    {2, 12, 3, 10, "3x10=30", 2}, {2, 13, 3, 11, "3x11=33", 2}, {2, 14, 3, 12, "3x12=36", 2},
    {2, 15, 4, 2, "4x2=8", 3}, {2, 16, 4, 32, "4x32=128", 3}, {2, 17, 4, 325, "4x325=1300", 3},
    {2, 18, 4, 3250, "4x3250=13000", 3}, {2, 19, 54, 32, "54x32=1728", 3}, {2, 20, 54, 325, "54x325=17550", 3},
    {2, 21, 54, 3250, "54x3250=175500", 3}, {2, 22, 550, 325, "550x325=178750", 3}, {2, 23, 550, 3250, "550x3250=1787500", 3},
    {2, 24, 5500, 3250, "5500x3250=17875000", 3}, {3, 0, 6, 3, "18/3=6", 3}, {3, 1, 3, 9, "27/9=3", 4},
    {3, 2, 0, 4, "0/4=0", 2}, {3, 3, 1, 4, "4/4=1", 2}, {3, 4, 2, 4, "8/4=2", 2},
    {3, 5, 3, 4, "12/4=3", 2}, {3, 6, 4, 4, "16/4=4", 2}, {3, 7, 5, 4, "20/4=5", 2},
    {3, 8, 6, 4, "24/4=6", 2}, {3, 9, 7, 4, "28/4=7", 2}, {3, 10, 8, 4, "32/4=8", 2},
    {3, 11, 9, 4, "36/4=9", 2}, {3, 12, 10, 4, "40/4=10", 2}, {3, 13, 11, 4, "44/4=11", 2},
    {3, 14, 12, 4, "48/4=12", 2}, {3, 15, 2, 7, "14/7=2", 3}, {3, 16, 32, 7, "224/7=32", 3},
    {3, 17, 325, 7, "2275/7=325", 3}, {3, 18, 3250, 7, "22750/7=3250", 3}, {3, 19, 32, 54, "1728/54=32", 2},
    {3, 20, 325, 54, "17550/54=325", 2}, {3, 21, 3250, 54, "175500/54=3250", 2}, {3, 22, 325, 550, "178750/550=325", 2},
    {3, 23, 3250, 550, "1787500/550=3250", 2}, {3, 24, 3250, 5500, "17875000/5500=3250", 2},
};

TEST_F(ChosenDraws, EveryLessonOfEveryOperation) {
    for (const Expected& e : EveryLesson) {
        Problem p = make(e.operation, e.lesson, Sequence);
        p.tables[3] = p.tables[7] = p.tables[12] = 1;
        generate(p);
        std::string solution = e.solution;
        std::replace(solution.begin(), solution.end(), '/', DivSign);
        const std::size_t equals = solution.find('=');
        SCOPED_TRACE(::testing::Message() << "operation " << e.operation << " lesson " << e.lesson);
        EXPECT_EQ(p.left, e.left);
        EXPECT_EQ(p.right, e.right);
        EXPECT_EQ(p.answer, std::stoi(solution.substr(equals + 1)));
        EXPECT_EQ(p.question, solution.substr(0, equals + 1));
        EXPECT_EQ(p.solution, solution);
        EXPECT_EQ(drawn, static_cast<std::size_t>(e.draws));
        EXPECT_EQ(p.tries, 0);
    }
    for (int op : {Add, Subtract}) {
        for (int lesson = 15; lesson < LessonCount; ++lesson) {
            Problem p = make(op, lesson, Sequence);
            generate(p);
            EXPECT_EQ(p.solution, op == Add ? "5+2=7" : "5-2=3");
        }
    }
}

TEST_F(ChosenDraws, SumLimitDrawsAgainUntilThePairFits) {
    // 9 + 8 and 6 + 7 are over 10 and dropped; 6 + 4 fits; the swap draw 0.2 keeps the order.
    Problem p = make(Add, 0, {0.9, 0.8, 0.6, 0.7, 0.6, 0.4, 0.2});
    generate(p);
    EXPECT_EQ(p.solution, "6+4=10");
    EXPECT_EQ(drawn, 7u);
    // Subtract draws no swap; it puts the larger operand first.
    p = make(Subtract, 0, {0.4, 0.6});
    generate(p);
    EXPECT_EQ(p.solution, "6-4=2");
    // Divide never swaps a zero operand, even when the swap draw says so.
    p = make(Divide, 2, {0.3, 0.9});
    generate(p);
    EXPECT_EQ(p.solution, "0" + Div + "4=0");
}

TEST_F(ChosenDraws, ChosenTableWalk) {
    Problem none, all, one, notExactlyOne;
    for (auto& flag : all.tables) flag = 1;
    one.tables[7] = 1;
    notExactlyOne.tables[7] = 2;  // only a flag of exactly 1 chooses a table
    const struct {
        const Problem* tables;
        double steps, start;
        int result;
    } walks[] = {
        {&none, 0.5, 0.25, 1},              // no table: out of moves, table 1
        {&notExactlyOne, 0.5, 0.25, 1},
        {&none, 0.01, 0.75, 9},             // 0 steps: the random start, chosen or not
        {&all, 0.5, 0.75, 2},               // all: (9 + 6) mod 13
        {&all, 0.99, 0.99, 11},             // (12 + 12) mod 13
        {&one, 1.0 / 12, 0.25, 7},          // 1 step from 3
        {&one, 2.0 / 12, 0.25, 7},          // 2 steps from 3: table 7 at moves 4 and 17
        {&one, 2.0 / 12, 8.0 / 12, 1},      // 2 steps from 8: moves 12 and 25, one too many
    };
    for (const auto& w : walks) {
        serve({w.steps, w.start});
        EXPECT_EQ(pickChosenTable(*w.tables), w.result) << w.steps << " " << w.start;
        EXPECT_EQ(drawn, 2u);
    }
}

TEST_F(ChosenDraws, OutsideTheCatalogue) {
    // No such operation: nothing drawn, operands kept, texts empty.
    Problem p = make(4, 0, {});
    p.left = 3;
    p.answer = 12;
    p.question = p.solution = "old";
    generate(p);
    EXPECT_EQ(drawn, 0u);
    EXPECT_EQ(p.left, 3);
    EXPECT_EQ(p.answer, 12);
    EXPECT_EQ(p.question + p.solution, "");
    EXPECT_EQ(p.tries, 0);
    // A Divide lesson beyond the catalogue keeps its operands; a divisor of 0 must not divide.
    p = make(Divide, -1, {0.9});
    generate(p);
    EXPECT_EQ(p.solution, "0" + Div + "0=0");
}

TEST(ProblemJudge, CountsEveryTry) {
    Problem p;
    p.answer = 12;
    EXPECT_FALSE(check(p, 11));
    EXPECT_FALSE(check(p, -12));
    EXPECT_TRUE(check(p, 12));
    EXPECT_EQ(p.tries, 3);
}

int digitCount(int n) { return n < 10 ? 1 : n < 100 ? 2 : n < 1000 ? 3 : 4; }

// Properties over many draws of the real generator.
TEST(ProblemProperties, OperandsStayInTheirRanges) {
    const int limits[5] = {10, 20, 50, 100, 999};
    const int digitPairs[10][2] = {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {2, 2}, {3, 2}, {4, 2}, {3, 3}, {4, 3}, {4, 4}};
    seedRandom(20240917.5);
    Problem p;
    for (int i = 0; i < 400; ++i) {
        for (int op = 0; op < OperationCount; ++op) {
            for (int lesson = 0; lesson < LessonCount; ++lesson) {
                p.operation = op;
                p.lesson = lesson;
                generate(p);
                SCOPED_TRACE(p.solution);
                ASSERT_EQ(p.solution, p.question + std::to_string(p.answer));
                if (op <= Subtract && (lesson <= 4 || lesson >= 15)) {
                    ASSERT_GE(std::min(p.left, p.right), 0);
                    ASSERT_LE(p.left + p.right, lesson <= 4 ? limits[lesson] : 10);
                }
                const bool digitLesson = op <= Subtract ? lesson >= 5 && lesson <= 14 : lesson >= 15;
                if (digitLesson) {
                    const int* d = digitPairs[lesson - (op <= Subtract ? 5 : 15)];
                    const int a = digitCount(p.left), b = digitCount(p.right);
                    if (op == Divide) {  // never swapped, divisor at least 1
                        ASSERT_TRUE(a == d[0] && b == d[1] && p.right >= 1);
                    } else {
                        ASSERT_TRUE((a == d[0] && b == d[1]) || (a == d[1] && b == d[0]));
                    }
                }
                if (op == Subtract) {
                    ASSERT_GE(p.answer, 0);
                }
                if (op == Divide) {
                    ASSERT_NE(p.right, 0);
                    ASSERT_EQ(p.question, std::to_string(p.answer * p.right) + Div + std::to_string(p.right) + "=");
                }
            }
        }
    }
}

TEST(ProblemProperties, EndValuesComeHalfAsOften) {
    // The divisor of the Divide 0s table is nearest(rnd() x 11 + 1): 1 and 12 are reached from
    // half an interval each, so they come half as often as each of 2 to 11.
    seedRandom(7.25);
    Problem p;
    p.operation = Divide;
    p.lesson = 2;
    std::array<int, 13> seen{};
    const int draws = 110000;
    for (int i = 0; i < draws; ++i) {
        generate(p);
        ASSERT_TRUE(p.left == 0 && p.right >= 1 && p.right <= 12);
        ++seen[p.right];
    }
    const double inner = draws / 11.0;
    for (int v = 2; v <= 11; ++v) EXPECT_NEAR(seen[v], inner, inner * 0.05) << v;
    EXPECT_NEAR(seen[1], inner / 2, inner * 0.04);
    EXPECT_NEAR(seen[12], inner / 2, inner * 0.04);
}

}  // namespace
