// Checks the generated sound set: the list file as the game reads it, and every sound as it decodes.
#include "sounds.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string readBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Reads one field the way the game reads its list file: leading blanks skipped, a field ends at a
// comma or a line end (CR LF counting as one), a quoted field runs to its closing quote.
std::string readField(const std::string& text, std::size_t& pos) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  std::string field;
  if (pos < text.size() && text[pos] == '"') {
    const std::size_t close = text.find('"', pos + 1);
    field = text.substr(pos + 1, close == std::string::npos ? std::string::npos : close - pos - 1);
    pos = close == std::string::npos ? text.size() : close + 1;
  }
  while (pos < text.size() && text[pos] != ',' && text[pos] != '\r' && text[pos] != '\n') field += text[pos++];
  if (pos < text.size()) {
    if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ++pos;
    ++pos;
  }
  return field;
}

int readInteger(const std::string& text, std::size_t& pos) {
  return static_cast<int>(std::strtol(readField(text, pos).c_str(), nullptr, 10));
}

struct ListedSound {
  std::string name;
  int highestInstance;
};

struct Decoded {
  long rate = 0;
  int channels = 0;
  std::vector<float> left;
  std::vector<float> right;
};

Decoded decode(const fs::path& path) {
  Decoded d;
  OggVorbis_File file;
  if (ov_fopen(path.string().c_str(), &file) != 0) return d;
  const vorbis_info* info = ov_info(&file, -1);
  d.rate = info->rate;
  d.channels = info->channels;
  int section = 0;
  for (;;) {
    float** pcm = nullptr;
    const long n = ov_read_float(&file, &pcm, 4096, &section);
    if (n <= 0) break;
    d.left.insert(d.left.end(), pcm[0], pcm[0] + n);
    d.right.insert(d.right.end(), pcm[d.channels > 1 ? 1 : 0], pcm[d.channels > 1 ? 1 : 0] + n);
  }
  ov_clear(&file);
  return d;
}

double seconds(const Decoded& d) { return static_cast<double>(d.left.size()) / 44100.0; }

double peakOf(const Decoded& d) {
  double peak = 0.0;
  for (std::size_t i = 0; i < d.left.size(); ++i)
    peak = std::max({peak, std::fabs(static_cast<double>(d.left[i])), std::fabs(static_cast<double>(d.right[i]))});
  return peak;
}

double decibels(double level) { return 20.0 * std::log10(std::max(level, 1e-9)); }

// Root mean square of the whole sound over both channels, in dB below full scale.
double rmsDb(const Decoded& d) {
  double power = 0.0;
  for (std::size_t i = 0; i < d.left.size(); ++i) power += 0.5 * (d.left[i] * d.left[i] + d.right[i] * d.right[i]);
  return 10.0 * std::log10(std::max(power, 1e-18) / static_cast<double>(std::max<std::size_t>(d.left.size(), 1)));
}

// Root mean square of the loudest 50 ms, in dB below full scale.
double loudestDb(const Decoded& d) {
  const std::size_t n = d.left.size();
  const std::size_t window = std::min<std::size_t>(n, 2205);
  std::vector<double> power(n);
  for (std::size_t i = 0; i < n; ++i) power[i] = 0.5 * (d.left[i] * d.left[i] + d.right[i] * d.right[i]);
  double sum = 0.0;
  for (std::size_t i = 0; i < window; ++i) sum += power[i];
  double best = sum;
  for (std::size_t i = window; i < n; ++i) {
    sum += power[i] - power[i - window];
    best = std::max(best, sum);
  }
  return 10.0 * std::log10(best / static_cast<double>(window));
}

// Generates the set once for the whole suite; the determinism test makes its own second set.
class SoundsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = fs::temp_directory_path() / ("tally-sounds-" + std::to_string(getpid()));
    fs::remove_all(root_);
    firstOk_ = writeSounds((root_ / "first").string());
    list_ = readBytes(root_ / "first" / "sound" / "sound.txt");
    std::size_t pos = 0;
    const int count = readInteger(list_, pos);
    for (int i = 0; i < count && pos < list_.size(); ++i) {
      ListedSound s;
      s.name = readField(list_, pos);
      s.highestInstance = readInteger(list_, pos);
      sounds_.push_back(s);
      decoded_.push_back(decode(root_ / "first" / "sound" / s.name));
    }
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }

  static inline fs::path root_;
  static inline bool firstOk_ = false;
  static inline std::string list_;
  static inline std::vector<ListedSound> sounds_;
  static inline std::vector<Decoded> decoded_;
};

TEST_F(SoundsTest, ListFileNamesEverySoundItWrote) {
  ASSERT_TRUE(firstOk_);
  ASSERT_GE(sounds_.size(), 8u);
  // Every line ends CR LF, the last included.
  ASSERT_GE(list_.size(), 2u);
  EXPECT_EQ(list_.substr(list_.size() - 2), "\r\n");
  for (std::size_t i = 0; i < list_.size(); ++i) {
    if (list_[i] == '\n') {
      EXPECT_TRUE(i > 0 && list_[i - 1] == '\r') << "bare LF at byte " << i;
    }
  }
  std::size_t lines = static_cast<std::size_t>(std::count(list_.begin(), list_.end(), '\n'));
  EXPECT_EQ(lines, sounds_.size() + 1);
  for (const ListedSound& s : sounds_) {
    EXPECT_FALSE(s.name.empty());
    EXPECT_EQ(s.name.find_first_of(" \t,\"/"), std::string::npos) << s.name;
    EXPECT_TRUE(fs::is_regular_file(root_ / "first" / "sound" / s.name)) << s.name;
    EXPECT_GE(s.highestInstance, 0) << s.name;
    EXPECT_LE(s.highestInstance, 7) << s.name;
  }
  // The confirm and the cursor tick repeat fastest; each must be able to overlap itself.
  EXPECT_GE(sounds_[0].highestInstance, 2);
  EXPECT_GE(sounds_[6].highestInstance, 2);
}

TEST_F(SoundsTest, EverySoundDecodesAsStereoAtTheMixRate) {
  ASSERT_GE(decoded_.size(), 8u);
  for (std::size_t id = 0; id < decoded_.size(); ++id) {
    const Decoded& d = decoded_[id];
    EXPECT_EQ(d.rate, 44100) << sounds_[id].name;
    EXPECT_EQ(d.channels, 2) << sounds_[id].name;
    EXPECT_GT(peakOf(d), 0.05) << sounds_[id].name << " is silent";
  }
}

TEST_F(SoundsTest, LengthsSuitTheirUse) {
  ASSERT_GE(decoded_.size(), 8u);
  const double limit[8] = {0.5, 3.0, 3.5, 3.5, 1.0, 3.5, 0.1, 0.5};
  for (std::size_t id = 0; id < 8; ++id) {
    EXPECT_GT(seconds(decoded_[id]), 0.02) << sounds_[id].name;
    EXPECT_LT(seconds(decoded_[id]), limit[id]) << sounds_[id].name;
  }
}

TEST_F(SoundsTest, LevelsCarryInARoomAndMatch) {
  ASSERT_GE(decoded_.size(), 8u);
  for (std::size_t id = 0; id < decoded_.size(); ++id) {
    const Decoded& d = decoded_[id];
    // Loud, yet short of full scale even after the encoder's small overshoot; overlapping sounds
    // are the mixer's limiter's business.
    EXPECT_LT(decibels(peakOf(d)), -0.8) << sounds_[id].name;
    double sumLeft = 0.0;
    double sumRight = 0.0;
    for (std::size_t i = 0; i < d.left.size(); ++i) {
      sumLeft += d.left[i];
      sumRight += d.right[i];
    }
    EXPECT_LT(std::fabs(sumLeft / static_cast<double>(d.left.size())), 0.002) << sounds_[id].name << " has DC";
    EXPECT_LT(std::fabs(sumRight / static_cast<double>(d.right.size())), 0.002) << sounds_[id].name << " has DC";
  }
  // The sounds heard in play (confirm, jingle, wrong, countdown) are mastered loud enough for laptop
  // speakers in a classroom, and sit at one loudness; the tick below them, yet still heard.
  const std::size_t heard[] = {0, 1, 4, 7};
  double quietest = 0.0;
  double loudest = -200.0;
  for (std::size_t id : heard) {
    EXPECT_GT(rmsDb(decoded_[id]), -18.5) << sounds_[id].name;
    EXPECT_LT(rmsDb(decoded_[id]), -15.5) << sounds_[id].name;
    quietest = std::min(quietest, loudestDb(decoded_[id]));
    loudest = std::max(loudest, loudestDb(decoded_[id]));
  }
  EXPECT_LT(loudest - quietest, 4.0);
  EXPECT_LT(loudestDb(decoded_[6]), quietest - 6.0);
  EXPECT_GT(rmsDb(decoded_[6]), -30.0) << "the tick must still be heard";
}

TEST_F(SoundsTest, StartsAndEndsWithoutAClick) {
  ASSERT_GE(decoded_.size(), 8u);
  for (std::size_t id = 0; id < decoded_.size(); ++id) {
    const Decoded& d = decoded_[id];
    const std::size_t n = d.left.size();
    ASSERT_GT(n, 100u);
    for (const std::vector<float>* channel : {&d.left, &d.right}) {
      const std::vector<float>& c = *channel;
      for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_LT(std::fabs(c[i]), 0.01) << sounds_[id].name << " starts at " << c[i];
        EXPECT_LT(std::fabs(c[n - 1 - i]), 0.01) << sounds_[id].name << " ends at " << c[n - 1 - i];
      }
      // Over the first and last millisecond the wave may only move gently from sample to sample.
      double jump = 0.0;
      for (std::size_t i = 1; i < 44; ++i) {
        jump = std::max(jump, static_cast<double>(std::fabs(c[i] - c[i - 1])));
        jump = std::max(jump, static_cast<double>(std::fabs(c[n - i] - c[n - 1 - i])));
      }
      EXPECT_LT(jump, 0.05) << sounds_[id].name;
    }
  }
}

TEST_F(SoundsTest, TwoRunsWriteTheSameBytes) {
  ASSERT_TRUE(firstOk_);
  ASSERT_TRUE(writeSounds((root_ / "second").string()));
  std::vector<std::string> names{"sound.txt"};
  for (const ListedSound& s : sounds_) names.push_back(s.name);
  for (const std::string& name : names) {
    const std::string a = readBytes(root_ / "first" / "sound" / name);
    const std::string b = readBytes(root_ / "second" / "sound" / name);
    EXPECT_FALSE(a.empty()) << name;
    EXPECT_TRUE(a == b) << name << " differs between runs";
  }
}

TEST_F(SoundsTest, ReportsADirectoryItCannotCreate) {
  // A plain file where the output directory should go.
  const fs::path blocker = root_ / "blocker";
  std::ofstream(blocker) << "x";
  EXPECT_FALSE(writeSounds(blocker.string()));
  EXPECT_FALSE(writeSounds((blocker / "below").string()));
}

}  // namespace
