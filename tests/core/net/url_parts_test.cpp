#include "kelv/core/net/url_parts.h"

#include <gtest/gtest.h>

namespace kelv::core {
namespace {

using Part = UrlParts::Part;

TEST(UrlParts, ReadsThePartsAsLibcurlWritesThem) {
  struct Case {
    std::string text;
    std::optional<std::string> scheme, host, port, path;
  };
  const Case cases[] = {
      {"https://api.example.com/v1", "https", "api.example.com", std::nullopt, "/v1"},
      {"HTTP://LocalHost:11434", "http", "LocalHost", "11434", "/"},
      {"http://[::1]:8080/a/b?q=1#f", "http", "[::1]", "8080", "/a/b"},
      // Any scheme is taken apart, not only the ones libcurl can send.
      {"kelvora://start", "kelvora", "start", std::nullopt, "/"},
  };
  for (const Case& c : cases) {
    const std::optional<UrlParts> url = UrlParts::parse(c.text);
    ASSERT_TRUE(url) << c.text;
    EXPECT_EQ(url->get(Part::scheme), c.scheme) << c.text;
    EXPECT_EQ(url->get(Part::host), c.host) << c.text;
    EXPECT_EQ(url->get(Part::port), c.port) << c.text;
    EXPECT_EQ(url->get(Part::path), c.path) << c.text;
  }
}

TEST(UrlParts, RefusesWhatIsNotAnAbsoluteUrl) {
  for (const char* text : {"", "no scheme", "/v1/chat", "http://", "http://exa mple.com"})
    EXPECT_FALSE(UrlParts::parse(text)) << text;
}

TEST(UrlParts, ReplacesTheWholePathAndKeepsTheRest) {
  struct Case {
    std::string text, path, url;
  };
  const Case cases[] = {
      {"http://localhost:11434/v1/", "/api/chat", "http://localhost:11434/api/chat"},
      {"https://example.com/base?key=1", "/other", "https://example.com/other?key=1"},
  };
  for (const Case& c : cases) {
    std::optional<UrlParts> url = UrlParts::parse(c.text);
    ASSERT_TRUE(url) << c.text;
    ASSERT_TRUE(url->setPath(c.path)) << c.text;
    EXPECT_EQ(url->get(Part::url), c.url) << c.text;
  }
}

}  // namespace
}  // namespace kelv::core
