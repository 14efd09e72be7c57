// How each status text is drawn: in the Terminal font when code page 437 holds it, else as
// UTF-16 in the UI font, right to left for the scripts written that way.
#include <gtest/gtest.h>

#include <string>

#include "render/status_text.h"

namespace {

TEST(StatusText, TerminalFontWhereCodePage437HoldsTheText) {
  const struct {
    const char* text;
    const char* terminal;  // the code page 437 bytes; null: drawn in the UI font
    const char16_t* wide;
    bool rightToLeft;
  } cases[] = {
      {"Installing... 37%", "Installing... 37%", u"", false},
      {"Gr\xC3\xB6\xC3\x9F" "e \xC3\xA4 \xE2\x96\x91 \xC2\xA0", "Gr\x94\xE1" "e \x84 \xB0 \xFF", u"", false},
      {"\xD0\x93\xD0\xBE\xD1\x82\xD0\xBE\xD0\xB2\xD0\xBE", nullptr, u"\u0413\u043e\u0442\u043e\u0432\u043e", false},
      {"Fertig \xE2\x80\x93 100 %", nullptr, u"Fertig \u2013 100 %", false},
      {"\xD7\x94\xD7\xAA\xD7\xA7\xD7\xA0\xD7\x94 100%", nullptr, u"\u05d4\u05ea\u05e7\u05e0\u05d4 100%", true},
      {"\xE5\xAE\x8C\xE6\x88\x90 \xF0\x9F\x8E\xAE", nullptr, u"\u5b8c\u6210 \U0001F3AE", false},
  };
  for (const auto& c : cases) {
    StatusDrawing drawing;
    FormStatusDrawing(c.text, &drawing);
    EXPECT_EQ(drawing.terminal, c.terminal != nullptr) << c.text;
    EXPECT_EQ(drawing.bytes, std::string(c.terminal ? c.terminal : "")) << c.text;
    EXPECT_EQ(drawing.wide, std::u16string(c.wide)) << c.text;
    EXPECT_EQ(drawing.rightToLeft, c.rightToLeft) << c.text;
  }
}

}  // namespace
