#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "report/SparseText.h"

namespace {

using report::SparseText;
using Text = std::optional<std::string>;

// The label-table fields of the model read, assign and compare as the optional
// texts they stand for, and copies never share their text.
TEST(SparseText, BehavesAsAnOptionalTextWithoutSharing) {
  SparseText owner;
  EXPECT_FALSE(owner);
  EXPECT_EQ(owner, std::nullopt);
  EXPECT_EQ(owner.value_or("-"), "-");
  EXPECT_EQ(Text(owner), std::nullopt);
  EXPECT_THROW(owner.value(), std::bad_optional_access);

  owner = "ldp";
  ASSERT_TRUE(owner.has_value());
  EXPECT_EQ(owner, "ldp");
  EXPECT_EQ(owner, std::string("ldp"));
  EXPECT_NE(owner, "rsvp-te");
  EXPECT_EQ(owner->size(), 3u);
  EXPECT_EQ(Text(owner), Text("ldp"));

  SparseText copy = owner;
  *copy += "-2";
  EXPECT_EQ(owner, "ldp");
  EXPECT_EQ(copy, "ldp-2");
  EXPECT_NE(copy, owner);
  copy = copy;  // assigned to itself
  EXPECT_EQ(copy, "ldp-2");

  copy = Text();
  EXPECT_FALSE(copy);
  EXPECT_NE(copy, owner);
  copy = Text("");  // set, and empty
  EXPECT_TRUE(copy);
  EXPECT_EQ(copy, Text(""));

  SparseText moved = std::move(owner);
  EXPECT_EQ(moved, "ldp");
  owner = std::nullopt;
  EXPECT_EQ(owner, SparseText());
}

}  // namespace
