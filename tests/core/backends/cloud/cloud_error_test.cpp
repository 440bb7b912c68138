#include "kelv/core/backends/cloud/cloud_error.h"

#include <gtest/gtest.h>

#include "kelv/core/backends/cloud/cloud_client.h"
#include "kelv/core/backends/cloud/multipart.h"

namespace kelv::core {
namespace {

TEST(CloudError, DescriptionsAreTheUserFacingTexts) {
  struct Case {
    CloudError error;
    std::string text;
  } cases[] = {
      {CloudError::invalidKey("AssemblyAI"),
       "AssemblyAI rejected the API key. Check Settings > AI."},
      {CloudError::http("Anthropic", 404, std::nullopt), "Anthropic request failed (HTTP 404)."},
      {CloudError::http("Gemini", 500, "overloaded"),
       "Gemini request failed (HTTP 500): overloaded"},
      {CloudError::http("x", 429, ""), "x request failed (HTTP 429): "},
      {CloudError::badResponse("ElevenLabs"),
       "ElevenLabs returned a response Kelvora couldn't read."},
      {CloudError::badAddress("ftp://files.example"),
       "\"ftp://files.example\" isn't an http(s) address."},
      {CloudError::failed("AssemblyAI", "unknown error"),
       "AssemblyAI couldn't transcribe the audio: unknown error"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.error.what(), c.text);
}

TEST(CloudError, ComparesCaseAndPayload) {
  EXPECT_EQ(CloudError::http("a", 500, "m"), CloudError::http("a", 500, "m"));
  EXPECT_FALSE(CloudError::http("a", 500, "m") == CloudError::http("a", 500, std::nullopt));
  EXPECT_FALSE(CloudError::http("a", 500, "m") == CloudError::http("a", 502, "m"));
  EXPECT_FALSE(CloudError::invalidKey("a") == CloudError::badResponse("a"));
  // The address of badAddress is not a backend label, but the cases still differ.
  EXPECT_FALSE(CloudError::badAddress("a") == CloudError::badResponse("a"));
}

TEST(CloudClientMessage, FindsTheServicesOwnText) {
  const std::string long300(300, 'a');
  struct Case {
    std::string body;
    std::optional<std::string> message;
  } cases[] = {
      {R"({"error":{"message":"model not found","type":"x"}})", "model not found"},
      {R"({"error":"bad key"})", "bad key"},
      {R"({"detail":"File too large"})", "File too large"},
      {R"({"message":"slow down"})", "slow down"},
      // The first place that is a string wins, in the fixed order.
      {R"({"message":"m","detail":"d","error":{"message":"e"}})", "e"},
      {R"({"error":{"code":7},"detail":"d"})", "d"},
      {R"({"error":{"message":7},"message":"m"})", "m"},
      {R"({"error":{"code":7}})", std::nullopt},
      {R"({"detail":{"loc":[]}})", std::nullopt},
      {R"([{"message":"in an array"}])", std::nullopt},
      {"<html>Bad gateway</html>", std::nullopt},
      {"", std::nullopt},
      {"{\"message\":\"" + long300 + "\"}", std::string(200, 'a')},
  };
  for (const Case& c : cases) EXPECT_EQ(CloudClient::message(c.body), c.message) << c.body;
}

TEST(CloudClientMessage, CutsAtUserPerceivedCharacters) {
  // 199 letters, then a family emoji of seven code points, then more: the emoji is the 200th
  // character and stays whole.
  const std::string family =
      "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
  const std::string text = std::string(199, 'e') + family + "tail";
  EXPECT_EQ(CloudClient::message("{\"message\":\"" + text + "\"}"), std::string(199, 'e') + family);
  // "é" written as e + combining accent counts once.
  std::string accented;
  for (int i = 0; i < 201; ++i) accented += "e\xCC\x81";
  auto cut = CloudClient::message("{\"detail\":\"" + accented + "\"}");
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->size(), 200u * 3);
}

TEST(Multipart, LaysOutTextAndFileFieldsExactly) {
  Multipart form;
  ASSERT_EQ(form.boundary().size(), 5u + 36u);
  EXPECT_EQ(form.boundary().substr(0, 5), "kelv-");
  for (char c : form.boundary().substr(5)) EXPECT_TRUE(c == '-' || isdigit(c) || isupper(c)) << c;
  EXPECT_EQ(form.contentType(), "multipart/form-data; boundary=" + form.boundary());
  EXPECT_NE(Multipart().boundary(), form.boundary());

  const std::string b = form.boundary();
  form.add("model", "whisper-1");
  EXPECT_EQ(form.finished(), "--" + b +
                                 "\r\nContent-Disposition: form-data; name=\"model\"\r\n\r\n" +
                                 "whisper-1\r\n--" + b + "--\r\n");
  // finished() leaves the value as it was.
  EXPECT_EQ(form.finished(), form.finished());

  const std::string bytes("\0\r\n--\xff", 6);
  form.addFile("file", bytes, "audio.m4a", "audio/mp4");
  form.add("language", "");
  EXPECT_EQ(form.finished(),
            "--" + b + "\r\nContent-Disposition: form-data; name=\"model\"\r\n\r\nwhisper-1\r\n" +
                "--" + b +
                "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"audio.m4a\"\r\n" +
                "Content-Type: audio/mp4\r\n\r\n" + bytes + "\r\n" + "--" + b +
                "\r\nContent-Disposition: form-data; name=\"language\"\r\n\r\n\r\n" + "--" + b +
                "--\r\n");
}

TEST(Multipart, EmptyFormIsOnlyTheClosingDelimiter) {
  Multipart form;
  EXPECT_EQ(form.finished(), "--" + form.boundary() + "--\r\n");
}

}  // namespace
}  // namespace kelv::core
