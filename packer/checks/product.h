// Checks what an installer says about the product it installs (--product, --product-version,
// --publisher, --copyright): the window's title and the file's version information.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "packer/checks/diagnostics.h"

struct ProductFacts {
  std::string name;                                  // the product, or the project's own name
  std::string title;                                 // the window's title
  std::string version, publisher, copyright;         // empty when not given
  uint16_t versionNumbers[4] = {};                   // the version's parts, 0 for those not given
};

struct ProductInputs {
  std::optional<std::string> name, version, publisher, copyright;
};

// The facts, with problems added for a text that is no UTF-8, holds a control character or is
// too long, a version that is not 1 to 4 numbers of 0 to 65535 separated by dots, or a version,
// publisher or copyright given without the product's name.
ProductFacts CheckProduct(const ProductInputs& inputs, Diagnostics* diagnostics);

// The title as the installer's data carries it: UTF-8 and a NUL.
std::vector<uint8_t> TitleBlock(const ProductFacts& facts);
