// The race view's answer line: the longest problem of each operation, its typed answer and the
// feedback stay whole and apart in one- and two-player views, on the screen as a pupil sees it.
#include "race/race_loop.h"
#include "race/race_view.h"
#include "race_fixture.h"

namespace racetest {
namespace {

class RaceAnswerLine : public RaceTest {
protected:
    void SetUp() override {
        RaceTest::SetUp();
        startHeadless(true);  // black text needs the light strip behind it
    }

    struct Found {
        int x = 0;
        int y = 0;
    };

    // Everywhere text stands whole, in black, inside the view from left to left + width of the shown
    // main canvas (the side view from 160), in the rows under the road.
    static std::vector<Found> findText(const std::vector<std::uint32_t>& screen, int left, int width,
                                       const std::string& text) {
        const int w = 8 * static_cast<int>(text.size());
        std::vector<Found> found;
        auto glyphs = createImage(w, 8, 0);
        drawText(glyphs.get(), 0, 0, text, 0xFFFFFFFFu);
        for (int y = 128; y <= 172; ++y)
            for (int x = left; x + w <= left + width; ++x) {
                bool match = true;
                for (int gy = 0; gy < 8 && match; ++gy)
                    for (int gx = 0; gx < w && match; ++gx)
                        match = (glyphs->pixels[gy * w + gx] != 0) == (shown(screen, x + gx, y + gy) == 0xFF000000u);
                if (match) found.push_back({x, y});
            }
        return found;
    }
};

TEST_F(RaceAnswerLine, LongestProblemsTypedAnswersAndFeedbackStayWholeAndApart) {
    struct Longest {
        const char* name;
        std::string question, answer;
    };
    // Lesson "4x4" of each operation gives the longest texts; Divide shows the product first.
    const std::vector<Longest> problems = {
        {"add", "9999+9999=", "19998"},
        {"subtract", "9999-1000=", "8999"},
        {"multiply", "9999x9999=", "99980001"},
        {"divide", "99980001\xF6" "9999=", "9999"},
    };
    struct Moment {
        const char* name;
        int feedback;  // 0 "Correct", 1 "Incorrect", 2 the solution
        bool typed;    // the answer typed (with one digit too many after "Correct")
    };
    const std::vector<Moment> moments = {
        {"typing", 0, true}, {"incorrect", 1, true}, {"solution", 2, true}, {"correct", 0, false}};
    for (bool two : {false, true}) {
        choose(two);
        RaceState race;
        setUpRace(game, race);
        race.started = true;
        for (const Longest& problem : problems) {
            for (const Moment& moment : moments) {
                const std::string solution = problem.question + problem.answer;
                const std::string feedbacks[3] = {"Correct", "Incorrect", solution};
                for (int p = 0; p < playerCount(game); ++p) {
                    Problem& shownProblem = p == 0 ? game.problem1 : game.problem2;
                    shownProblem.question = problem.question;
                    race.players[p].feedback = feedbacks[moment.feedback];
                    const std::string slip = moment.feedback == 0 ? "0" : "";
                    race.players[p].answerText = moment.typed ? problem.answer + slip : "";
                }
                drawWorld(game, race);
                drawProblemLines(game, race);
                lockScreen();
                presentPanel(game.mainPanel);
                if (two) presentPanel(game.sidePanel);
                unlockScreen();
                const std::string what = std::string(problem.name) + (two ? "-two-" : "-one-") + moment.name;
                shot("answer-" + what);
                const std::vector<std::uint32_t> screen(headlessScreen(), headlessScreen() + 1280 * 720);
                for (int p = 0; p < playerCount(game); ++p) {
                    const int left = p == 0 ? 0 : 160;
                    const int width = two ? 160 : 320;
                    const std::string line = problem.question + race.players[p].answerText;
                    const std::string& feedback = race.players[p].feedback;
                    // A solution equals a fully typed line: the two must stand in two places.
                    bool apart = false;
                    for (const Found& q : findText(screen, left, width, line))
                        for (const Found& f : findText(screen, left, width, feedback))
                            apart = apart || q.y >= f.y + 8 || f.y >= q.y + 8 ||
                                    q.x >= f.x + 8 * static_cast<int>(feedback.size()) ||
                                    f.x >= q.x + 8 * static_cast<int>(line.size());
                    EXPECT_TRUE(apart) << what << " player " << p + 1 << ": " << line << " / " << feedback;
                }
            }
        }
    }
}

}  // namespace
}  // namespace racetest
