#include <gtest/gtest.h>

#include "platform/ClassIds.h"
#include "platform/ComponentRegistry.h"
#include "platform/DeviceInterfaces.h"
#include "platform/FilterGraphInterfaces.h"
#include "platform/TuningInterfaces.h"

namespace {

constexpr CLSID kTestClass = MakeGuid("{0B1C2D3E-4F50-6172-8394-A5B6C7D8E9F0}");

struct Widget : IBaseFilter {
    HRESULT Stop() override { return S_OK; }
    HRESULT Run(std::int64_t) override { return S_OK; }
    HRESULT GetState(std::uint32_t, FILTER_STATE*) override { return S_OK; }
    HRESULT EnumPins(std::shared_ptr<IEnumPins>*) override { return E_NOTIMPL; }
    HRESULT QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
    HRESULT JoinFilterGraph(const std::shared_ptr<IFilterGraph>&, const std::u16string&) override {
        return S_OK;
    }
};

class ComponentRegistryTest : public ::testing::Test {
protected:
    void TearDown() override { ClearComponentClasses(); }
};

TEST_F(ComponentRegistryTest, CreatesANewObjectOfARegisteredClassPerCall) {
    RegisterComponentClass(kTestClass, [] { return std::make_shared<Widget>(); });
    std::shared_ptr<IBaseFilter> first, second;
    EXPECT_EQ(S_OK, CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IBaseFilter::iid, &first));
    EXPECT_EQ(S_OK, CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IBaseFilter::iid, &second));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
}

TEST_F(ComponentRegistryTest, AnUnknownOrRemovedClassIsNotRegistered) {
    std::shared_ptr<IBaseFilter> filter = std::make_shared<Widget>();
    EXPECT_EQ(static_cast<HRESULT>(0x80040154u),
              CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IBaseFilter::iid, &filter));
    EXPECT_FALSE(filter);

    RegisterComponentClass(kTestClass, [] { return std::make_shared<Widget>(); });
    UnregisterComponentClass(kTestClass);
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IBaseFilter::iid, &filter));
}

TEST_F(ComponentRegistryTest, AnInterfaceTheObjectLacksIsRefused) {
    RegisterComponentClass(kTestClass, [] { return std::make_shared<Widget>(); });
    std::shared_ptr<ITuner> tuner;
    EXPECT_EQ(E_NOINTERFACE,
              CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, ITuner::iid, &tuner));
    EXPECT_FALSE(tuner);
    // The identifier must name the interface asked for.
    std::shared_ptr<IBaseFilter> filter;
    EXPECT_EQ(E_NOINTERFACE, CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IPin::iid, &filter));
    EXPECT_EQ(E_POINTER, CoCreateInstance<IBaseFilter>(kTestClass, nullptr, CLSCTX_ALL,
                                                       IBaseFilter::iid, nullptr));
}

TEST_F(ComponentRegistryTest, AFactoryThatYieldsNothingFails) {
    RegisterComponentClass(kTestClass, [] { return std::shared_ptr<IUnknown>(); });
    std::shared_ptr<IBaseFilter> filter;
    EXPECT_TRUE(
        FAILED(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IBaseFilter::iid, &filter)));
}

TEST_F(ComponentRegistryTest, StandInClassesOfferWhatTheProgramAsksFor) {
    RegisterStandInClasses();
    std::shared_ptr<IGraphBuilder> graph;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IGraphBuilder::iid, &graph));
    EXPECT_TRUE(query<IMediaControl>(graph));
    EXPECT_TRUE(query<IMediaEvent>(graph));
    std::shared_ptr<ICaptureGraphBuilder2> builder;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                     ICaptureGraphBuilder2::iid, &builder));
    EXPECT_EQ(S_OK, builder->SetFiltergraph(graph));
    std::shared_ptr<ICreateDevEnum> devices;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_ALL,
                                     ICreateDevEnum::iid, &devices));
    for (const CLSID& provider : {CLSID_NetworkProvider, CLSID_DVBSNetworkProvider}) {
        std::shared_ptr<IBaseFilter> filter;
        EXPECT_EQ(S_OK, CoCreateInstance(provider, nullptr, CLSCTX_ALL, IBaseFilter::iid, &filter));
        EXPECT_TRUE(query<ITuner>(filter));
    }
    std::shared_ptr<IDVBSTuningSpace> space;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_DVBSTuningSpace, nullptr, CLSCTX_ALL,
                                     IDVBSTuningSpace::iid, &space));
    std::shared_ptr<IDVBSLocator> locator;
    std::shared_ptr<IDVBSLocator2> locator2;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_DVBSLocator, nullptr, CLSCTX_ALL, IDVBSLocator::iid,
                                     &locator));
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_DVBSLocator, nullptr, CLSCTX_ALL, IDVBSLocator2::iid,
                                     &locator2));
    for (const CLSID& filterClass : {CLSID_InfTee, CLSID_MPEG2Demultiplexer, CLSID_FileWriter}) {
        std::shared_ptr<IBaseFilter> filter;
        EXPECT_EQ(S_OK,
                  CoCreateInstance(filterClass, nullptr, CLSCTX_ALL, IBaseFilter::iid, &filter));
    }
    std::shared_ptr<IBaseFilter> writer;
    CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_ALL, IBaseFilter::iid, &writer);
    EXPECT_TRUE(query<IFileSinkFilter>(writer));
}

}  // namespace
