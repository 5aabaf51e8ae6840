#include "util/interned_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

// Each distinct text gets the next number and one copy that stays in place
// however many texts follow; the same text again, from another buffer, gets
// the same number; texts that differ only in letter case or by a trailing
// zero byte are distinct; Find tells a missing text without adding it.
TEST(InternedTexts, NumbersEachTextOnceAndKeepsItsCopyInPlace) {
  InternedTexts texts;
  EXPECT_EQ(texts.Intern("at_0"), 0u);
  EXPECT_EQ(texts.Intern("At_0"), 1u);
  EXPECT_EQ(texts.Intern(std::string("at_0\0", 5)), 2u);
  const std::string* first = &texts[0];
  for (int i = 0; i < 5000; ++i) texts.Intern("label_" + std::to_string(i));
  EXPECT_EQ(texts.size(), 5003u);
  EXPECT_EQ(&texts[0], first);
  EXPECT_EQ(texts[0], "at_0");
  const std::string again = "at_0";
  EXPECT_EQ(texts.Intern(again), 0u);
  EXPECT_EQ(texts.Intern("label_4999"), 5002u);
  EXPECT_EQ(texts[5002], "label_4999");
  EXPECT_EQ(texts.Find("label_5000"), texts.size());
  EXPECT_EQ(texts.Find("At_0"), 1u);
  EXPECT_EQ(texts.size(), 5003u);
}

}  // namespace
}  // namespace kx
