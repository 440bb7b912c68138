#include "kelv/core/audio/track_audio.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "audio_files.h"
#include "kelv/core/audio/audio_error.h"
#include "kelv/core/util/platform_error.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

using test::TempDir;

std::vector<size_t> bufferSizes(const std::filesystem::path& track) {
  std::vector<size_t> sizes;
  TrackAudio::forEachChunk(track,
                           [&](std::span<const float> buffer) { sizes.push_back(buffer.size()); });
  return sizes;
}

double rms(const std::vector<float>& samples) {
  double sum = 0;
  for (float s : samples) sum += double(s) * s;
  return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

// Sign changes per second: twice the frequency of a pure tone.
double crossingsPerSecond(const std::vector<float>& samples) {
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i)
    if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
  return crossings / (double(samples.size()) / AudioFormat::kSampleRate);
}

std::vector<int16_t> ramp(size_t count) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>((i * 37) % 65536 - 32768);
  return samples;
}

TEST(TrackAudioRaw, ReadsWholeSamplesTenSecondsAtATime) {
  TempDir dir;
  struct Case {
    size_t bytes;
    std::vector<size_t> buffers;
  };
  const std::vector<Case> cases = {
      {0, {}},
      {1, {}},
      {3, {1}},
      {320000, {160000}},
      {320001, {160000}},
      {320002, {160000, 1}},
      {800001, {160000, 160000, 80000}},
  };
  for (const auto& c : cases) {
    const auto path = dir / ("track-" + std::to_string(c.bytes) + ".pcm");
    test::writeFile(path, std::string(c.bytes, '\x01'));
    EXPECT_EQ(bufferSizes(path), c.buffers) << c.bytes << " bytes";
  }
}

TEST(TrackAudioRaw, ConvertsLittleEndianSamplesToFloat) {
  TempDir dir;
  const auto path = dir / "mic.pcm";
  test::writeFile(path, std::string("\x00\x80"
                                    "\xff\x7f"
                                    "\x01\x00"
                                    "\xff\xff"
                                    "\x00\x00"
                                    "\x00\x40",
                                    12));
  EXPECT_THAT(TrackAudio::samples(path), testing::ElementsAre(-1.0f, 32767.0f / 32768, 1.0f / 32768,
                                                              -1.0f / 32768, 0.0f, 0.5f));
}

TEST(TrackAudioRaw, OnlyTheLowerCaseExtensionIsRaw) {
  TempDir dir;
  // An 8 kHz WAV named .PCM: read raw, its header would count as samples and its length
  // would be that of 16 kHz.
  const auto path = dir / "import.PCM";
  test::ffmpeg("-f lavfi -i sine=frequency=440:sample_rate=8000:duration=1 -f wav", path);
  EXPECT_NEAR(TrackAudio::samples(path).size(), 16000.0, 40);
  EXPECT_NEAR(TrackAudio::duration(path), 1.0, 1e-3);
}

TEST(TrackAudio, MissingRawTrackIsAPlatformError) {
  TempDir dir;
  try {
    TrackAudio::samples(dir / "mic.pcm");
    FAIL() << "no error";
  } catch (const PlatformError& error) {
    EXPECT_TRUE(error.isNotFound());
    EXPECT_THAT(error.what(), testing::HasSubstr("mic.pcm"));
  }
}

TEST(TrackAudio, BodyErrorsStopReading) {
  TempDir dir;
  const auto raw = dir / "mic.pcm";
  test::writeRawTrack(raw, std::vector<int16_t>(400000, 1));
  const auto wav = dir / "long.wav";
  test::writeTone(wav, 30, 16000, 1);
  for (const auto& path : {raw, wav}) {
    int calls = 0;
    EXPECT_THROW(TrackAudio::forEachChunk(path,
                                          [&](std::span<const float>) {
                                            ++calls;
                                            throw std::runtime_error("stop");
                                          }),
                 std::runtime_error);
    EXPECT_EQ(calls, 1) << path;
  }
}

TEST(TrackAudio, Duration) {
  TempDir dir;
  test::writeFile(dir / "one.pcm", std::string(32000, '\0'));
  test::writeFile(dir / "odd.pcm", std::string(32001, '\0'));
  test::writeFile(dir / "empty.pcm", "");
  test::writeFile(dir / "text.mp3", "not audio at all, just words\n");
  test::writeTone(dir / "tone.wav", 1.5, 44100, 2);
  test::writeTone(dir / "tone.mp3", 2.5, 44100, 2);
  test::writeTone(dir / "tone.ogg", 3.25, 22050, 1);
  struct Case {
    const char* name;
    double seconds;
    double tolerance;
  };
  const std::vector<Case> cases = {
      {"one.pcm", 1.0, 0},     {"odd.pcm", 1.0, 0},     {"empty.pcm", 0, 0},
      {"absent.pcm", 0, 0},    {"absent.wav", 0, 0},    {"text.mp3", 0, 0},
      {"tone.wav", 1.5, 1e-6}, {"tone.mp3", 2.5, 0.05}, {"tone.ogg", 3.25, 1e-3},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(TrackAudio::duration(dir / c.name), c.seconds, c.tolerance) << c.name;
}

// Files a user might import: every one holds two seconds of a 440 Hz tone.
TEST(TrackAudioDecoded, ReadsCommonFormatsAs16kHzMono) {
  TempDir dir;
  struct Case {
    const char* name;
    int rate;
    int channels;
    const char* codec;
    double slack = 0.03;  // seconds of codec delay and padding allowed
  };
  const std::vector<Case> cases = {
      {"stereo.wav", 44100, 2, ""},
      {"surround.wav", 48000, 6, ""},
      {"song.mp3", 44100, 2, "", 0.05},
      {"voice.m4a", 48000, 2, "-c:a aac"},
      // Bare ADTS has no edit list: encoder priming and an estimated length remain.
      {"talk.aac", 22050, 1, "-c:a aac", 0.1},
      {"vorbis.ogg", 22050, 1, ""},
      {"voice.opus", 48000, 2, ""},
      {"hires.flac", 96000, 2, ""},
      {"clip.webm", 48000, 2, "-c:a libopus"},
      {"narrow.wav", 8000, 1, ""},
  };
  for (const auto& c : cases) {
    const auto path = dir / c.name;
    test::writeTone(path, 2, c.rate, c.channels, c.codec);
    const auto samples = TrackAudio::samples(path);
    ASSERT_NEAR(samples.size(), 32000.0, c.slack * 16000) << c.name;
    const std::vector<float> middle(samples.begin() + 8000, samples.begin() + 24000);
    EXPECT_NEAR(rms(middle), 0.125 / std::sqrt(2.0), 0.005) << c.name;
    EXPECT_NEAR(crossingsPerSecond(middle), 880, 4) << c.name;
    EXPECT_NEAR(TrackAudio::duration(path), 2.0, c.slack) << c.name;
  }
}

TEST(TrackAudioDecoded, ReadsTheAudioOfVideos) {
  TempDir dir;
  for (const char* name : {"lecture.mp4", "lecture.mkv"}) {
    const auto path = dir / name;
    test::ffmpeg(
        "-f lavfi -i testsrc=size=160x120:rate=10:duration=2 "
        "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -shortest",
        path);
    const auto samples = TrackAudio::samples(path);
    EXPECT_NEAR(samples.size(), 32000.0, 480) << name;
    EXPECT_NEAR(crossingsPerSecond(samples), 880, 10) << name;
    EXPECT_NEAR(TrackAudio::duration(path), 2.0, 0.05) << name;
  }
}

TEST(TrackAudioDecoded, BuffersAreFullUntilTheLast) {
  TempDir dir;
  const auto path = dir / "long.wav";
  test::writeTone(path, 25, 44100, 2);
  const auto sizes = bufferSizes(path);
  ASSERT_EQ(sizes.size(), 3u);
  EXPECT_EQ(sizes[0], 160000u);
  EXPECT_EQ(sizes[1], 160000u);
  EXPECT_NEAR(sizes[2], 80000.0, 40);
}

TEST(TrackAudioDecoded, MixesStereoDownToItsAverage) {
  TempDir dir;
  const auto path = dir / "split.wav";
  // Full-scale tone left, silence right: the mix must stay within ±1 at half amplitude.
  test::ffmpeg(
      "-f lavfi -i sine=frequency=440:sample_rate=16000:duration=1 "
      "-af 'volume=8,pan=stereo|c0=c0|c1=0*c0' -c:a pcm_f32le",
      path);
  const auto samples = TrackAudio::samples(path);
  ASSERT_FALSE(samples.empty());
  const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
  EXPECT_NEAR(*high, 0.5, 0.01);
  EXPECT_NEAR(*low, -0.5, 0.01);
}

// Every kind of bad input gives one clear error, from every operation that reads.
TEST(TrackAudioDecoded, BadInputIsReportedClearly) {
  TempDir dir;
  test::writeFile(dir / "empty.wav", "");
  test::writeFile(dir / "notes.mp3", std::string(5000, 'x'));
  test::writeFile(dir / "photo.m4a", "\x89PNG\r\n\x1a\n" + std::string(3000, '\0'));
  test::ffmpeg("-f lavfi -i testsrc=size=160x120:rate=10:duration=1", dir / "silent-film.mp4");
  test::writeTone(dir / "whole.m4a", 5, 44100, 2);
  const auto whole = test::readFile(dir / "whole.m4a");
  test::writeFile(dir / "cut.m4a", whole.substr(0, whole.size() / 2));
  test::writeTone(dir / "whole-fast.m4a", 5, 44100, 2, "-movflags +faststart");
  const auto fast = test::readFile(dir / "whole-fast.m4a");
  test::writeFile(dir / "cut-fast.m4a", fast.substr(0, fast.size() / 2));
  test::writeTone(dir / "whole.flac", 5, 44100, 2);
  const auto flac = test::readFile(dir / "whole.flac");
  test::writeFile(dir / "cut.flac", flac.substr(0, flac.size() / 2 + 1));
  test::writeTone(dir / "whole.wav", 5, 44100, 2);
  const auto wav = test::readFile(dir / "whole.wav");
  test::writeFile(dir / "cut.wav", wav.substr(0, wav.size() / 2 + 1));
  test::writeTone(dir / "whole.mp3", 5, 44100, 2);
  const auto mp3 = test::readFile(dir / "whole.mp3");
  test::writeFile(dir / "cut.mp3", mp3.substr(0, mp3.size() / 2));

  for (const char* name : {"empty.wav", "notes.mp3", "photo.m4a", "silent-film.mp4", "cut.m4a",
                           "cut-fast.m4a", "cut.flac", "cut.wav", "cut.mp3"}) {
    const auto path = dir / name;
    try {
      TrackAudio::samples(path);
      ADD_FAILURE() << name << ": no error";
    } catch (const AudioError& error) {
      EXPECT_EQ(error.kind(), AudioError::Kind::unreadableAudio);
      EXPECT_STREQ(error.what(),
                   ("Couldn't read the audio file " + std::string(name) + ".").c_str());
    } catch (const std::exception& error) {
      ADD_FAILURE() << name << ": " << error.what();
    }
    EXPECT_THROW(TrackAudio::compressedChunks(path, 30, dir / "chunks"), AudioError) << name;
    EXPECT_THROW(TrackAudio::compress(path, dir / "out.m4a"), AudioError) << name;
  }

  try {
    TrackAudio::samples(dir / "absent.wav");
    ADD_FAILURE() << "absent.wav: no error";
  } catch (const PlatformError& error) {
    EXPECT_TRUE(error.isNotFound());
    EXPECT_THAT(error.what(), testing::HasSubstr("absent.wav"));
  }
}

TEST(TrackAudioCompress, WritesMonoAacAt16kHz) {
  TempDir dir;
  const auto raw = dir / "mic.pcm";
  std::vector<int16_t> tone(48000);
  for (size_t i = 0; i < tone.size(); ++i)
    tone[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * double(i) / 16000));
  test::writeRawTrack(raw, tone);
  const auto mp3 = dir / "mixed.mp3";
  test::writeTone(mp3, 3, 44100, 2);

  for (const auto& source : {raw, mp3}) {
    const auto out = dir / "kept.m4a";
    test::writeFile(out, "an older file that must be replaced");
    TrackAudio::compress(source, out);
    EXPECT_EQ(test::probeAudio(out), "aac,16000,1") << source;
    const auto back = TrackAudio::samples(out);
    EXPECT_NEAR(back.size(), 48000.0, 1024) << source;
    EXPECT_NEAR(crossingsPerSecond(back), 880, 10) << source;
    EXPECT_NEAR(TrackAudio::duration(out), 3.0, 0.07) << source;
  }
  EXPECT_EQ(test::runCommand("ffprobe -v error -show_entries stream=profile -of csv=p=0 " +
                             test::quoted(dir / "kept.m4a") + " | grep -qx LC"),
            0);
}

TEST(TrackAudioCompress, MissingSourceIsAPlatformError) {
  TempDir dir;
  EXPECT_THROW(TrackAudio::compress(dir / "mic.pcm", dir / "mic.m4a"), PlatformError);
  EXPECT_THROW(TrackAudio::compress(dir / "mixed.wav", dir / "mixed.m4a"), PlatformError);
}

TEST(TrackAudioCompress, NeverEmptiesItsOwnSource) {
  TempDir dir;
  test::writeTone(dir / "mixed.m4a", 1, 16000, 1);
  const auto before = test::readFile(dir / "mixed.m4a");
  EXPECT_THROW(TrackAudio::compress(dir / "mixed.m4a", dir / "." / "mixed.m4a"), PlatformError);
  EXPECT_EQ(test::readFile(dir / "mixed.m4a"), before);
}

TEST(TrackAudioChunks, WritesNumberedChunksWithExactOffsets) {
  TempDir dir;
  const auto track = dir / "mic.pcm";
  test::writeRawTrack(track, ramp(2000));
  const auto folder = dir / "upload" / "nested";
  const auto chunks = TrackAudio::compressedChunks(track, 0.05, folder);
  EXPECT_EQ(chunks, (std::vector<AudioChunk>{{folder / "chunk-0.m4a", 0.0},
                                             {folder / "chunk-1.m4a", 0.05},
                                             {folder / "chunk-2.m4a", 0.1}}));
  for (const auto& chunk : chunks) EXPECT_EQ(test::probeAudio(chunk.path), "aac,16000,1");
}

TEST(TrackAudioChunks, ChunksCoverTheTrack) {
  TempDir dir;
  const auto track = dir / "lecture.wav";
  test::writeTone(track, 75, 44100, 2);
  const auto total = TrackAudio::samples(track).size();
  const auto chunks = TrackAudio::compressedChunks(track, 30, dir / "chunks");
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].offset, 0);
  double covered = 0;
  for (size_t i = 0; i < chunks.size(); ++i) {
    const double length =
        static_cast<double>(TrackAudio::samples(chunks[i].path).size()) / AudioFormat::kSampleRate;
    EXPECT_LE(length, 30.0) << i;
    // The first two end within the last 3 seconds of their allowed length.
    if (i + 1 < chunks.size()) {
      EXPECT_GE(length, 27.0) << i;
      EXPECT_NEAR(chunks[i + 1].offset, chunks[i].offset + length, 0.07) << i;
    }
    covered += length;
  }
  EXPECT_NEAR(covered, static_cast<double>(total) / AudioFormat::kSampleRate, 0.2);
}

TEST(TrackAudioChunks, EmptyTrackGivesNoChunksButTheFolder) {
  TempDir dir;
  test::writeFile(dir / "mic.pcm", "");
  EXPECT_TRUE(TrackAudio::compressedChunks(dir / "mic.pcm", 1200, dir / "a" / "b").empty());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a" / "b"));
}

TEST(TrackAudioChunks, WriteFailureIsAPlatformErrorAndKeepsEarlierChunks) {
  TempDir dir;
  test::writeRawTrack(dir / "mic.pcm", ramp(3000));
  const auto folder = dir / "chunks";
  std::filesystem::create_directories(folder);
  // A folder where the second chunk file should go blocks its creation.
  std::filesystem::create_directories(folder / "chunk-1.m4a");
  EXPECT_THROW(TrackAudio::compressedChunks(dir / "mic.pcm", 0.05, folder), PlatformError);
  EXPECT_TRUE(std::filesystem::is_regular_file(folder / "chunk-0.m4a"));

  test::writeFile(dir / "file", "");
  EXPECT_THROW(TrackAudio::compressedChunks(dir / "mic.pcm", 1, dir / "file" / "sub"),
               PlatformError);
}

}  // namespace
}  // namespace kelv::core
