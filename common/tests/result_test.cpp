#include "common/result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <variant>

namespace {

using slidewright::common::Result;
using slidewright::common::Status;

enum class Kind { Damaged, TooLarge };

struct Failure {
  Kind kind = Kind::Damaged;
  std::string message;
  std::size_t offset = 0;  // a library's own detail beside kind and message
};

// Counts its constructions; has no default constructor, as many results' values do not.
struct Counted {
  static int made;
  explicit Counted(int v) : value(v) { ++made; }
  Counted(const Counted& other) : value(other.value) { ++made; }
  Counted(Counted&& other) noexcept : value(other.value) { ++made; }
  int value;
};
int Counted::made = 0;

TEST(CommonResult, HoldsEitherTheValueOrTheErrorAndNothingOfTheOther) {
  Counted::made = 0;
  const Result<Counted, Failure> failed = Failure{Kind::TooLarge, "too large", 42};
  EXPECT_EQ(Counted::made, 0) << "a failed result makes no value";
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.kind(), Kind::TooLarge);
  EXPECT_EQ(failed.message(), "too large");
  EXPECT_EQ(failed.error().offset, 42u);
  EXPECT_THROW(failed.value(), std::bad_variant_access);

  Result<std::unique_ptr<int>, Failure> made = std::make_unique<int>(7);
  ASSERT_TRUE(made.ok());
  std::unique_ptr<int> taken = std::move(made).value();
  EXPECT_EQ(*taken, 7);
  EXPECT_THROW(made.error(), std::bad_variant_access);

  const Status<Failure> done = std::monostate{};
  EXPECT_TRUE(done);
  const Status<Failure> refused = Failure{Kind::Damaged, "damaged"};
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.message(), "damaged");
}

}  // namespace
