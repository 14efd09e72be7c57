#include "packer/checks/product.h"

#include "assets/data_directory.h"
#include "installer/utf8.h"
#include "packer/checks/stored_names.h"

namespace {

const char ProjectName[] = "ZAV Installer";
const char TitleEnding[] = " Setup";
const int ProductMaxCharacters = TitleMaxCharacters - int(sizeof TitleEnding - 1);
const int NoteMaxCharacters = 250;

// Why a text cannot be shown as a title or in the file's properties; "" when it can.
std::string TextProblem(const std::string& text, int maxCharacters) {
  if (text.empty()) return "is empty; leave the option out instead";
  int characters = CharacterCount(text.c_str());
  if (characters < 0) return NotUnicodeProblem(text, "give it in UTF-8", "give another text");
  if (characters > maxCharacters)
    return "is " + std::to_string(characters) + " characters long; at most " + std::to_string(maxCharacters) +
           " are shown; shorten it";
  for (const char* at = text.c_str(); *at;) {
    uint32_t codePoint = 0;
    at += DecodeUtf8(at, &codePoint);
    if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0))
      return "holds a control character, which a title cannot show; remove it";
  }
  return "";
}

// "1.2.3" or "1.2.3.4": each part a number of 0 to 65535, as the version information holds them.
bool ReadVersion(const std::string& text, uint16_t numbers[4]) {
  int parts = 0;
  for (size_t at = 0; at <= text.size(); ++at) {
    size_t end = text.find('.', at);
    if (end == std::string::npos) end = text.size();
    if (parts == 4 || end == at || end - at > 5) return false;
    uint32_t value = 0;
    for (size_t i = at; i < end; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      value = value * 10 + uint32_t(text[i] - '0');
    }
    if (value > 0xFFFF) return false;
    numbers[parts++] = uint16_t(value);
    at = end;
  }
  return parts >= 1;
}

void CheckText(const char* option, const std::optional<std::string>& value, int maxCharacters, std::string* out,
               Diagnostics* diagnostics) {
  if (!value) return;
  std::string problem = TextProblem(*value, maxCharacters);
  if (problem.empty()) {
    *out = *value;
  } else {
    diagnostics->Problem({option, ShownName(*value)}, problem);
  }
}

}  // namespace

ProductFacts CheckProduct(const ProductInputs& inputs, Diagnostics* diagnostics) {
  ProductFacts facts;
  CheckText("--product", inputs.name, ProductMaxCharacters, &facts.name, diagnostics);
  CheckText("--publisher", inputs.publisher, NoteMaxCharacters, &facts.publisher, diagnostics);
  CheckText("--copyright", inputs.copyright, NoteMaxCharacters, &facts.copyright, diagnostics);
  if (inputs.version) {
    if (ReadVersion(*inputs.version, facts.versionNumbers)) {
      facts.version = *inputs.version;
    } else {
      diagnostics->Problem({"--product-version", ShownName(*inputs.version)},
                           "is not a version of 1 to 4 numbers of 0 to 65535 between dots; give e.g. 1.2.3");
    }
  }
  if (!inputs.name) {
    const std::pair<const char*, const std::optional<std::string>*> needsName[] = {
        {"--product-version", &inputs.version}, {"--publisher", &inputs.publisher}, {"--copyright", &inputs.copyright}};
    for (const auto& [option, value] : needsName) {
      if (*value) diagnostics->Problem({option, ""}, "is given without --product; add --product NAME");
    }
    facts.name = ProjectName;
    facts.title = ProjectName;  // the installer as it always was
  } else {
    facts.title = facts.name + TitleEnding;
  }
  return facts;
}

std::vector<uint8_t> TitleBlock(const ProductFacts& facts) {
  std::vector<uint8_t> block(facts.title.begin(), facts.title.end());
  block.push_back(0);
  return block;
}
