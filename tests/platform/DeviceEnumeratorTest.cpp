#include <gtest/gtest.h>

#include "TestFilters.h"
#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceInterfaces.h"
#include "platform/DeviceRegistry.h"

namespace {

class DeviceEnumeratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterStandInClasses();
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_ALL,
                                         ICreateDevEnum::iid, &m_devices));
    }
    void TearDown() override {
        ClearDevices();
        ClearComponentClasses();
    }

    std::shared_ptr<ICreateDevEnum> m_devices;
};

TEST_F(DeviceEnumeratorTest, AnEmptyCategoryGivesSFalseAndNoEnumerator) {
    RegisterDevice(KSCATEGORY_BDA_RECEIVER_COMPONENT,
                   {u"capture", [] { return std::make_shared<CollectingSink>(); }});
    std::shared_ptr<IEnumMoniker> monikers = nullptr;
    EXPECT_EQ(S_FALSE,
              m_devices->CreateClassEnumerator(KSCATEGORY_BDA_NETWORK_TUNER, &monikers, 0));
    EXPECT_FALSE(monikers);
}

TEST_F(DeviceEnumeratorTest, DevicesComeInRegistrationOrderWithTheirNames) {
    for (auto name : {u"tuner one", u"tuner two", u"tuner three"})
        RegisterDevice(KSCATEGORY_BDA_NETWORK_TUNER,
                       {name, [] { return std::make_shared<CollectingSink>(); }});
    std::shared_ptr<IEnumMoniker> monikers;
    ASSERT_EQ(S_OK, m_devices->CreateClassEnumerator(KSCATEGORY_BDA_NETWORK_TUNER, &monikers, 0));
    std::shared_ptr<IMoniker> batch[2];
    std::uint32_t fetched = 0;
    EXPECT_EQ(S_OK, monikers->Next(2, batch, &fetched));
    EXPECT_EQ(2u, fetched);
    std::u16string name;
    EXPECT_EQ(S_OK, batch[1]->GetDisplayName(nullptr, nullptr, &name));
    EXPECT_EQ(u"tuner two", name);
    EXPECT_EQ(S_FALSE, monikers->Next(2, batch, &fetched));
    EXPECT_EQ(1u, fetched);
    batch[0]->GetDisplayName(nullptr, nullptr, &name);
    EXPECT_EQ(u"tuner three", name);
    EXPECT_EQ(S_FALSE, monikers->Next(1, batch, &fetched));
    EXPECT_EQ(0u, fetched);
    monikers->Reset();
    monikers->Next(1, batch, nullptr);
    batch[0]->GetDisplayName(nullptr, nullptr, &name);
    EXPECT_EQ(u"tuner one", name);
}

TEST_F(DeviceEnumeratorTest, EachBindMakesANewObjectAndAFailedBindFails) {
    int binds = 0;
    RegisterDevice(KSCATEGORY_BDA_NETWORK_TUNER, {u"tuner", [&binds] {
                                                      ++binds;
                                                      return std::make_shared<CollectingSink>();
                                                  }});
    RegisterDevice(KSCATEGORY_BDA_NETWORK_TUNER, {u"broken", [] { return nullptr; }});
    std::shared_ptr<IEnumMoniker> monikers;
    ASSERT_EQ(S_OK, m_devices->CreateClassEnumerator(KSCATEGORY_BDA_NETWORK_TUNER, &monikers, 0));
    std::shared_ptr<IMoniker> device[2];
    ASSERT_EQ(S_OK, monikers->Next(2, device, nullptr));

    std::shared_ptr<IBaseFilter> first, second;
    EXPECT_EQ(S_OK, device[0]->BindToObject(nullptr, nullptr, IBaseFilter::iid, &first));
    EXPECT_EQ(S_OK, device[0]->BindToObject(nullptr, nullptr, IBaseFilter::iid, &second));
    EXPECT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(2, binds);

    std::shared_ptr<IBaseFilter> none;
    EXPECT_TRUE(FAILED(device[1]->BindToObject(nullptr, nullptr, IBaseFilter::iid, &none)));
    EXPECT_FALSE(none);
}

TEST_F(DeviceEnumeratorTest, AnEnumeratorKeepsTheDevicesItWasMadeWith) {
    RegisterDevice(KSCATEGORY_BDA_NETWORK_TUNER,
                   {u"before", [] { return std::make_shared<CollectingSink>(); }});
    std::shared_ptr<IEnumMoniker> monikers;
    ASSERT_EQ(S_OK, m_devices->CreateClassEnumerator(KSCATEGORY_BDA_NETWORK_TUNER, &monikers, 0));
    ClearDevices();
    std::shared_ptr<IMoniker> device;
    ASSERT_EQ(S_OK, monikers->Next(1, &device, nullptr));
    std::shared_ptr<IBaseFilter> filter;
    EXPECT_EQ(S_OK, device->BindToObject(nullptr, nullptr, IBaseFilter::iid, &filter));
}

}  // namespace
