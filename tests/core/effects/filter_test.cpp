#include "effects/framework/filter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tessary {
namespace {

class KindSeven : public Filter {
public:
    KindSeven() : Filter(kFilterKindPlugIn) {}
};

TEST(Filter, NameIsKeptToThirtyTwoCharactersAndKindIsSettable) {
    Filter filter;
    EXPECT_EQ(filter.kind(), 0);
    EXPECT_EQ(filter.name(), "");
    filter.setName("Gaussian");
    EXPECT_EQ(filter.name(), "Gaussian");
    const std::string longName = "A name that is longer than thirty-two characters";
    filter.setName(longName);
    EXPECT_EQ(filter.name(), longName.substr(0, 32));
    filter.setName(std::string("Cut\0here", 8));
    EXPECT_EQ(filter.name(), "Cut");
    filter.setName("");
    EXPECT_EQ(filter.name(), "");
    filter.setKind(6);
    EXPECT_EQ(filter.kind(), 6);

    std::unique_ptr<Filter> owned = std::make_unique<KindSeven>();
    EXPECT_EQ(owned->kind(), kFilterKindPlugIn);
    Filter copy = filter;
    copy.setName("Other");
    EXPECT_EQ(filter.name(), "");
}

}  // namespace
}  // namespace tessary
