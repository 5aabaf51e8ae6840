#include "vmasm/label_tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "vmasm/operand_texts.h"

namespace kx {
namespace {

// Each routine finds only its own labels, with their rows; the
// same name in two routines is two labels; a name given twice in one routine
// is refused; a routine's table stays whole while a later routine's table
// grows many times over.
TEST(LabelTables, EachRoutineFindsItsOwnLabelsOnly) {
  LabelTables tables;
  tables.Begin();
  EXPECT_TRUE(tables.Insert(5, 40));
  EXPECT_TRUE(tables.Insert(9, 41));
  EXPECT_FALSE(tables.Insert(5, 42));
  const LabelTables::Table first = tables.building();
  tables.Begin();
  for (int name = 1; name <= 100; ++name) EXPECT_TRUE(tables.Insert(name, name + 500));
  EXPECT_FALSE(tables.Insert(5, 600));   // a name the first routine has too
  EXPECT_FALSE(tables.Insert(50, 600));  // a name only this routine has
  const LabelTables::Table second = tables.building();
  tables.Begin();
  const LabelTables::Table none = tables.building();

  EXPECT_EQ(tables.Find(first, 5), 40);
  EXPECT_EQ(tables.Find(first, 9), 41);
  EXPECT_EQ(tables.Find(first, 7), -1);
  EXPECT_EQ(tables.Find(first, 50), -1);
  for (int name = 1; name <= 100; ++name) EXPECT_EQ(tables.Find(second, name), name + 500) << name;
  EXPECT_EQ(tables.Find(second, 101), -1);
  EXPECT_EQ(tables.Find(none, 5), -1);
  EXPECT_EQ(tables.Find(LabelTables::Table{}, 50), -1);
}

// Texts that records hold keep their own address and word; a routine or label
// name is kept once, whatever buffer it comes from, and numbered after the
// texts before it; an unknown name has number 0, and number 0 no text.
TEST(OperandTexts, NumbersRecordTextsAndKeepsNamesOnce) {
  const std::string string_entry = "convoy alpha";
  const std::string symbol_name = "unit_7";
  OperandTexts texts;
  EXPECT_EQ(texts.Add(string_entry, 3), 1);
  EXPECT_EQ(texts.Add(symbol_name, 0xFFFF), 2);
  const std::string name = "at_4";
  EXPECT_EQ(texts.Add_Name(name), 3);
  EXPECT_EQ(texts.Add_Name("Task_1"), 4);
  EXPECT_EQ(texts.Add_Name(std::string("at_") + "4"), 3);
  EXPECT_EQ(texts.Find_Name("Task_1"), 4);
  EXPECT_EQ(texts.Find_Name("unit_7"), 0);  // a record's text is no kept name
  EXPECT_EQ(texts.Text(1), &string_entry);
  EXPECT_EQ(texts.Text(2), &symbol_name);
  EXPECT_EQ(*texts.Text(3), "at_4");
  EXPECT_EQ(texts.Text(0), nullptr);
  EXPECT_EQ(texts.Word(1), 3);
  EXPECT_EQ(texts.Word(2), 0xFFFF);
}

}  // namespace
}  // namespace kx
