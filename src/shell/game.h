// The one game context shared by every screen, and its records Panel and Racer.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "lessons/problem.h"
#include "present/image.h"
#include "store/records.h"

enum GameScreen : int { Classrooms = 0, Players = 1, Track = 2, Lesson = 3, Race = 4, Quit = 5 };

// An off-screen canvas and the place where it is shown four times enlarged.
struct Panel {
    int scrollX = 0;
    int scrollY = 0;
    int centerX = 0;
    int centerY = 0;
    int width = 0;
    int height = 0;
    ImageHandle canvas;
};

// One car of a race.
struct Racer {
    std::string name;
    int car = 0;
    double x = 0;
    double lane = 0;
    double speed = 0;
    double boost = 0;
    int replayRecord = 0;
    int nextSample = 0;
};

constexpr int TrackSlots = 101;
constexpr int TrackCount = 4;

// Built once at start-up with every field zero or empty; never copied.
struct Game {
    int classroom = 0;
    ClassroomList classrooms;
    ImageHandle veilImage;
    std::array<ImageHandle, 8> carImages;
    std::array<ImageHandle, 13> driverImages;
    std::array<std::array<ImageHandle, TrackSlots>, TrackCount> trackImages;
    ImageHandle prevImage;
    ImageHandle nextImage;
    ImageHandle bottomImage;
    ImageHandle boardImage;
    std::array<ImageHandle, 4> sceneImages;
    ImageHandle snowImage;
    ImageHandle splashImage;
    ImageHandle backImage;
    ImageHandle back2Image;
    int screen = Classrooms;
    Panel mainPanel;
    Panel sidePanel;
    PlayerList players;
    std::uint8_t twoPlayers = 0;
    int player1 = 0;
    int player2 = 0;
    std::array<Racer, 3> racers;
    int operation1 = 0;
    int lesson1 = 0;
    int distance = 0;
    int operation2 = 0;
    int lesson2 = 0;
    int track = 0;
    int raceLength = 0;
    Problem problem1;
    Problem problem2;
    int racerOfPlayer1 = 0;
    int racerOfPlayer2 = 0;
    // The notice line (shell/notice.h): its text, and the nowSeconds at which it goes.
    std::string noticeText;
    double noticeUntil = 0;

    Game() = default;
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
};
