#include "config/template_config.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kx {
namespace {

TemplateConfig Named(const std::string& name) {
  TemplateConfig config;
  config.name = name;
  return config;
}

TEST(CompareTemplateNames, ComparesBytesAsUnsignedAndCaseSensitively) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  } cases[] = {
      {"Standard", "Standard", 0}, {"", "", 0},          {"abc", "abd", -1},
      {"abd", "abc", 1},           {"ab", "abc", -1},    {"abc", "ab", 1},
      {"Large", "large", -1},      {"\xE9", "z", 1},     {"z", "\xE9", -1},
      {"", "a", -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Compare_Template_Names(Named(c.a), Named(c.b)), c.expected) << c.a << " / " << c.b;
}

TEST(TemplateList, FindByNameYieldsTheFirstExactMatch) {
  TemplateList list;
  const char* entries[][2] = {
      {"Standard", "first.dll"}, {"standard", "lower.dll"}, {"Standard", "second.dll"}};
  for (const auto& entry : entries) {
    auto config = std::make_unique<TemplateConfig>(Named(entry[0]));
    config->dll_blank = entry[1];
    list.Add(std::move(config));
  }

  ASSERT_NE(list.Find_By_Name("Standard"), nullptr);
  EXPECT_EQ(list.Find_By_Name("Standard")->dll_blank, "first.dll");
  ASSERT_NE(list.Find_By_Name("standard"), nullptr);
  EXPECT_EQ(list.Find_By_Name("standard")->dll_blank, "lower.dll");
  EXPECT_EQ(list.Find_By_Name("STANDARD"), nullptr);
  EXPECT_EQ(list.Find_By_Name("Stand"), nullptr);
  EXPECT_EQ(list.Find_By_Name(""), nullptr);
}

}  // namespace
}  // namespace kx
