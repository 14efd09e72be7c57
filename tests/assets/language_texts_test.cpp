// The installer's choice of texts at start-up, and the rules every stored text keeps.
#include <gtest/gtest.h>

#include <string>

#include "assets/language_texts.h"
#include "installer/utf8.h"

namespace {

// Records of the given tags, each with its tag as the completion text, and the closing NUL.
std::string Block(std::initializer_list<const char*> tags) {
  std::string block;
  for (const char* tag : tags) block += std::string(tag) + '\0' + '\0' + tag + '\0' + std::string(5, '\0');
  return block + '\0';
}

TEST(LanguageTexts, PicksTheUsersLanguageNeverTheFirstListed) {
  const struct {
    std::string block;
    const char* user;
    const char* picked;  // the completion text shown: the record's tag, or English
  } cases[] = {
      {Block({"af", "de-AT", "de"}), "de-AT", "de-AT"},
      {Block({"af", "de-AT", "de"}), "DE-at", "de-AT"},
      {Block({"af", "de-AT", "de"}), "de-CH", "de"},
      {Block({"af", "sr-Latn", "sr"}), "sr-Latn-RS", "sr-Latn"},
      {Block({"zh-Hant", "zh-Hans"}), "zh-CN", "zh-Hans"},
      {Block({"zh-Hans", "zh-Hant"}), "zh-TW", "zh-Hant"},
      {Block({"af", "bg"}), "fr-FR", "Installation completed"},
      {Block({"af", "default", "bg"}), "fr-FR", "default"},
      {Block({"af", "default"}), "", "default"},
      {Block({"de"}), "d", "Installation completed"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(IsTextsBlock(reinterpret_cast<const uint8_t*>(c.block.data()), uint32_t(c.block.size()))) << c.user;
    PickTexts(reinterpret_cast<const uint8_t*>(c.block.data()), uint32_t(c.block.size()), c.user);
    EXPECT_STREQ(ShownText(CompletedKey), c.picked) << c.user;
    EXPECT_STREQ(ShownText(ErrorKey), "Unknown error") << "an empty text stays English";
  }
  PickTexts(nullptr, 0, "de");
  EXPECT_STREQ(ShownText(CompletedKey), "Installation completed");
}

TEST(LanguageTexts, RulesOfTagsTextsAndPlaceholders) {
  for (const char* tag : {"de", "de-AT", "pt-BR", "zh-Hans", "sr-Latn-RS", "es-419", "ast"})
    EXPECT_TRUE(IsLanguageTag(tag)) << tag;
  for (const char* tag : {"", "d", "deut", "de_AT", "de-", "de--AT", "-de", "de-abcdefghi", "de AT", "default"})
    EXPECT_FALSE(IsLanguageTag(tag)) << tag;
  const struct {
    TextKey key;
    std::string text;
    TextFault fault;
  } texts[] = {
      // 35 characters with {percent} as "100" fit, not 36; characters, not bytes.
      {InstallingKey, "\xD0\x98\xD0\xB4\xD1\x91\xD1\x82 {percent}%" + std::string(26, '.'), TextFault::None},
      {InstallingKey, "\xD0\x98\xD0\xB4\xD1\x91\xD1\x82 {percent}%" + std::string(27, '.'), TextFault::TooLong},
      {InstallingKey, "Installing...", TextFault::MissingPlaceholder},
      {BrowseKey, "Choose", TextFault::MissingPlaceholder},
      {BrowseKey, "{folder}" + std::string(BrowseTextMaxCharacters - 8, 'b'), TextFault::None},
      {UsageKey, "/S\tline\nline", TextFault::None},
      {CompletedKey, "line\nline", TextFault::ControlCharacter},
      {MusicKey, "M: \xC2\x85", TextFault::ControlCharacter},
      {ErrorKey, "Fehl\xE9r", TextFault::NotUtf8},
      {ErrorKey, "", TextFault::None},
  };
  for (const auto& t : texts) EXPECT_EQ(CheckText(t.key, t.text.c_str()), t.fault) << t.text;
  char out[32];
  EXPECT_TRUE(FillPlaceholder(out, sizeof out, "{percent}% of {percent}", "{percent}", "100"));
  EXPECT_STREQ(out, "100% of 100");
  EXPECT_FALSE(FillPlaceholder(out, 8, "{percent}% of {percent}", "{percent}", "100"));
}

}  // namespace
