#include <gtest/gtest.h>

#include <algorithm>

#include "platform/FilterGraphManager.h"
#include "platform/RunningObjectTable.h"

namespace {

bool Listed(const std::u16string& name) {
    const auto names = RunningObjectNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(RunningObjectTableTest, RegisteredNamesAreListedInOrderUntilRevoked) {
    std::shared_ptr<IRunningObjectTable> table;
    ASSERT_EQ(S_OK, GetRunningObjectTable(0, &table));
    std::shared_ptr<IItemMoniker> first, second;
    ASSERT_EQ(S_OK, CreateItemMoniker(u"!", u"FilterGraph 0001 pid 00000042", &first));
    ASSERT_EQ(S_OK, CreateItemMoniker(u"!", u"FilterGraph 0002 pid 00000042", &second));
    EXPECT_EQ(u"!FilterGraph 0001 pid 00000042", first->Name());

    const auto objectA = std::make_shared<FilterGraphManager>();
    const auto objectB = std::make_shared<FilterGraphManager>();
    std::uint32_t cookieA = 0, cookieB = 0;
    ASSERT_EQ(S_OK, table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, objectA, first, &cookieA));
    ASSERT_EQ(S_OK, table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, objectB, second, &cookieB));
    EXPECT_NE(0u, cookieA);
    EXPECT_NE(cookieA, cookieB);
    const auto names = RunningObjectNames();
    const auto a = std::find(names.begin(), names.end(), first->Name());
    const auto b = std::find(names.begin(), names.end(), second->Name());
    ASSERT_TRUE(a != names.end() && b != names.end());
    EXPECT_LT(a, b);

    EXPECT_EQ(S_OK, table->Revoke(cookieA));
    EXPECT_FALSE(Listed(first->Name()));
    EXPECT_TRUE(Listed(second->Name()));
    EXPECT_TRUE(FAILED(table->Revoke(cookieA)));  // a cookie is good for one revoke
    EXPECT_EQ(S_OK, table->Revoke(cookieB));
    EXPECT_FALSE(Listed(second->Name()));
}

TEST(RunningObjectTableTest, ARegistrationKeepsItsObjectAliveUntilRevoked) {
    std::shared_ptr<IRunningObjectTable> table;
    ASSERT_EQ(S_OK, GetRunningObjectTable(0, &table));
    std::shared_ptr<IItemMoniker> name;
    CreateItemMoniker(u"!", u"kept", &name);
    auto object = std::make_shared<FilterGraphManager>();
    const std::weak_ptr<FilterGraphManager> watch = object;
    std::uint32_t cookie = 0;
    ASSERT_EQ(S_OK, table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, object, name, &cookie));
    object.reset();
    EXPECT_FALSE(watch.expired());
    table->Revoke(cookie);
    EXPECT_TRUE(watch.expired());
}

TEST(RunningObjectTableTest, IncompleteRegistrationsAreRefused) {
    std::shared_ptr<IRunningObjectTable> table;
    ASSERT_EQ(S_OK, GetRunningObjectTable(0, &table));
    std::shared_ptr<IItemMoniker> name;
    CreateItemMoniker(u"!", u"refused", &name);
    std::uint32_t cookie = 0;
    EXPECT_TRUE(FAILED(table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, nullptr, name, &cookie)));
    EXPECT_TRUE(FAILED(table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE,
                                       std::make_shared<FilterGraphManager>(), nullptr, &cookie)));
    EXPECT_FALSE(Listed(u"!refused"));
}

}  // namespace
