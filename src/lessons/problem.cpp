// The problem generator: operands, answer and texts of a racer's next problem, and the judge.
#include "lessons/problem.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "lessons/catalogue.h"
#include "present/random.h"

namespace {

std::function<double()> randomSource;

// rnd(): every call is one number of the sequence, so the order of calls below is the order of
// the draws and must not change.
double rnd() { return randomSource ? randomSource() : randomUnit(); }

// The game's real-to-integer conversion: the nearest integer, ties to even, whatever the floating
// point rounding mode is. Only ever given small finite values here.
int nearest(double x) {
    double whole = std::floor(x);
    const double fraction = x - whole;  // exact for doubles
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return static_cast<int>(whole);
}

int draw(int k, int base) { return nearest(rnd() * k + base); }

// A number of the given digit count: a draw of (k, base) from 1 digit (0..9) to 4 (1000..9999).
int drawDigits(int digits) {
    static const int spans[4][2] = {{9, 0}, {89, 10}, {899, 100}, {8999, 1000}};
    if (digits < 1) digits = 1;
    if (digits > 4) digits = 4;
    return draw(spans[digits - 1][0], spans[digits - 1][1]);
}

// The digit counts of the ten digit-size lessons, by offset from the first of them.
const int DigitPairs[10][2] = {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {2, 2}, {3, 2}, {4, 2}, {3, 3}, {4, 3}, {4, 4}};

void pickByDigitLesson(Problem& p, int offset, bool nonZeroRight) {
    pickPairByDigits(p, DigitPairs[offset][0], DigitPairs[offset][1], nonZeroRight);
}

// Add and Subtract share their operands: sum-limited lessons, digit sizes, and "Make 10" for the rest.
void pickAddOperands(Problem& p) {
    static const int limits[5] = {10, 20, 50, 100, 999};
    if (p.lesson >= 0 && p.lesson <= 4) {
        pickPairBySum(p, 0, limits[p.lesson], limits[p.lesson]);
    } else if (p.lesson >= 5 && p.lesson <= 14) {
        pickByDigitLesson(p, p.lesson - 5, false);
    } else {
        pickPairBySum(p, 0, 10, 10);
    }
}

std::string numberText(std::int64_t n) { return std::to_string(n); }

}  // namespace

void setProblemRandomSource(std::function<double()> source) { randomSource = std::move(source); }

void pickPairBySum(Problem& p, int low, int high, int limit) {
    if (static_cast<std::int64_t>(low) + low > limit) {
        p.left = p.right = low;
        return;
    }
    do {
        p.left = nearest(rnd() * (high - low) + low);
        p.right = nearest(rnd() * (high - low) + low);
    } while (static_cast<std::int64_t>(p.left) + p.right > limit);
}

void pickPairByDigits(Problem& p, int leftDigits, int rightDigits, bool nonZeroRight) {
    p.left = drawDigits(leftDigits);
    p.right = drawDigits(rightDigits);
    if (rightDigits == 1 && nonZeroRight) p.right = draw(8, 1);
}

int pickChosenTable(const Problem& p) {
    int steps = nearest(rnd() * 12);
    int position = nearest(rnd() * 12);
    int moves = 0;
    while (steps > 0) {
        ++moves;
        // A walk that finds too few chosen tables gives up and lands on table 1.
        if (moves > 24) {
            position = 0;
            steps = 0;
        }
        ++position;
        if (position > 12) position = 0;
        if (p.tables[position] == 1) --steps;
    }
    return position;
}

void generate(Problem& p) {
    p.question.clear();
    p.solution.clear();
    p.tries = 0;
    char symbol = 0;
    switch (p.operation) {
    case Add:
        pickAddOperands(p);
        if (nearest(rnd()) != 0) std::swap(p.left, p.right);
        p.answer = p.left + p.right;
        symbol = '+';
        break;
    case Subtract:
        pickAddOperands(p);
        if (p.right > p.left) std::swap(p.left, p.right);
        p.answer = p.left - p.right;
        symbol = '-';
        break;
    case Multiply:
        if (p.lesson == 0) {
            p.left = nearest(rnd() * 12);
            p.right = nearest(rnd() * 12);
        } else if (p.lesson == 1) {
            p.left = nearest(rnd() * 12);
            p.right = pickChosenTable(p);
        } else if (p.lesson >= 2 && p.lesson <= 14) {
            p.left = nearest(rnd() * 12);
            p.right = p.lesson - 2;
        } else if (p.lesson >= 15 && p.lesson <= 24) {
            pickByDigitLesson(p, p.lesson - 15, false);
        }
        if (nearest(rnd()) != 0) std::swap(p.left, p.right);
        p.answer = static_cast<int>(static_cast<std::int64_t>(p.left) * p.right);
        symbol = 'x';
        break;
    case Divide:
        if (p.lesson == 0) {
            p.left = nearest(rnd() * 12);
            p.right = draw(11, 1);
        } else if (p.lesson == 1) {
            p.left = pickChosenTable(p);
            p.right = draw(11, 1);
        } else if (p.lesson >= 2 && p.lesson <= 14) {
            p.left = p.lesson - 2;
            p.right = draw(11, 1);
        } else if (p.lesson >= 15 && p.lesson <= 24) {
            pickByDigitLesson(p, p.lesson - 15, true);
        }
        if (p.lesson < 15 && nearest(rnd()) != 0 && p.left != 0 && p.right != 0) std::swap(p.left, p.right);
        // The quotient comes back from the product; a lesson outside the catalogue keeps stale
        // operands, and a divisor of 0 there must not divide.
        p.answer = p.right != 0 ? nearest(static_cast<double>(p.left) * p.right / p.right) : p.left;
        symbol = static_cast<char>(246);
        break;
    default:
        return;  // no such operation: nothing drawn, texts empty
    }
    const std::int64_t shownLeft =
        p.operation == Divide ? static_cast<std::int64_t>(p.left) * p.right : p.left;
    p.question = numberText(shownLeft) + symbol + numberText(p.right) + "=";
    p.solution = p.question + numberText(p.answer);
}

bool check(Problem& p, int answer) {
    ++p.tries;
    return answer == p.answer;
}
