#include "player/AudioDevices.h"
#include "player/GraphTools.h"

#include "PlayerTestSupport.h"

#include <gtest/gtest.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include <algorithm>

using player::ComPtr;

namespace {

ComPtr<IGraphBuilder> NewGraph() {
  ComPtr<IGraphBuilder> g;
  EXPECT_EQ(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&g)), S_OK);
  return g;
}

ComPtr<IBaseFilter> New(const CLSID& id) {
  ComPtr<IBaseFilter> f;
  EXPECT_EQ(::CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&f)), S_OK);
  return f;
}

bool Has(const std::vector<std::wstring>& names, const std::wstring& n) {
  return std::find(names.begin(), names.end(), n) != names.end();
}

}  // namespace

TEST(GraphTools, PictureRendererMakesWayForANullRenderer) {
  auto g = NewGraph();
  ASSERT_EQ(g->RenderFile(player_test::Media(L"picture.avi").c_str(), nullptr), S_OK);
  ASSERT_TRUE(Has(player::GraphFilterNames(g.Get()), L"Video Renderer"));

  auto renderer = player::FindAudioRenderer(g.Get());
  ASSERT_TRUE(renderer);
  CLSID id;
  renderer->GetClassID(&id);
  EXPECT_TRUE(IsEqualCLSID(id, CLSID_DSoundRender));
  EXPECT_TRUE(player::IsRendererConnected(renderer.Get()));

  auto names = player::GraphFilterNames(g.Get());
  EXPECT_FALSE(Has(names, L"Video Renderer"));
  ASSERT_TRUE(Has(names, L"Null Renderer"));
  for (auto& f : player::GraphFilters(g.Get())) {
    CLSID c;
    f->GetClassID(&c);
    if (IsEqualCLSID(c, CLSID_NullRenderer)) {
      EXPECT_TRUE(player::IsRendererConnected(f.Get()));
    }
  }
  // The graph still gets to Paused and Stopped with the picture going nowhere.
  ComPtr<IMediaControl> control;
  ASSERT_EQ(g.As(&control), S_OK);
  control->Pause();
  OAFilterState s = -1;
  for (int i = 0; i < 500 && s != State_Paused; ++i) control->GetState(10, &s);
  EXPECT_EQ(s, State_Paused);
  control->Stop();
}

TEST(GraphTools, AGraphWithoutSoundHasNoAudioRenderer) {
  auto g = NewGraph();
  ASSERT_EQ(g->RenderFile(player_test::Media(L"silent.avi").c_str(), nullptr), S_OK);
  EXPECT_FALSE(player::FindAudioRenderer(g.Get()));
  EXPECT_FALSE(Has(player::GraphFilterNames(g.Get()), L"Video Renderer"));
}

TEST(GraphTools, UnconnectedRendererIsNotConnected) {
  auto g = NewGraph();
  auto r = New(CLSID_DSoundRender);
  ASSERT_EQ(g->AddFilter(r.Get(), L"Lone"), S_OK);
  EXPECT_FALSE(player::IsRendererConnected(r.Get()));
  // A renderer with no connection is no audio renderer of the graph.
  EXPECT_FALSE(player::FindAudioRenderer(g.Get()));
}

TEST(GraphTools, DuplicateNamesAreFoundAgain) {
  const int ds = player_test::DeviceNamed(L"Default DirectSound Device");
  ASSERT_GE(ds, 0);
  auto g = NewGraph();
  auto first = New(CLSID_DSoundRender), second = New(CLSID_DSoundRender);
  ASSERT_EQ(g->AddFilter(first.Get(), AudioDeviceNames[ds].c_str()), S_OK);
  ASSERT_EQ(g->AddFilter(second.Get(), AudioDeviceNames[ds].c_str()), VFW_S_DUPLICATE_NAME);
  auto names = player::GraphFilterNames(g.Get());
  ASSERT_EQ(names.size(), 2u);
  for (auto& n : names) EXPECT_EQ(player::DeviceIndexOfFilterName(n, AudioDeviceNames), ds) << n;
  EXPECT_TRUE(Has(names, AudioDeviceNames[ds] + L" 0001"));
}

TEST(GraphTools, FirstFilterNameAndRemoval) {
  auto g = NewGraph();
  EXPECT_EQ(player::FirstFilterName(g.Get()), L"");
  ASSERT_EQ(g->RenderFile(player_test::Media(L"speechwav.mp3").c_str(), nullptr), S_OK);
  // Renderers come first in the graph's order.
  EXPECT_EQ(player::FirstFilterName(g.Get()), L"Default DirectSound Device");
  EXPECT_GE(player::GraphFilters(g.Get()).size(), 2u);
  player::RemoveAllFilters(g.Get());
  EXPECT_TRUE(player::GraphFilters(g.Get()).empty());
  EXPECT_EQ(player::FirstFilterName(g.Get()), L"");
}

TEST(GraphTools, RendererNameDoesNotDependOnTheOrderOfAddition) {
  // A renderer added before the file is rendered, as for a forced device.
  auto g = NewGraph();
  auto r = New(CLSID_DSoundRender);
  ASSERT_EQ(g->AddFilter(r.Get(), L"Chosen Device"), S_OK);
  ASSERT_EQ(g->RenderFile(player_test::Media(L"speechwav.mp3").c_str(), nullptr), S_OK);
  EXPECT_TRUE(player::IsRendererConnected(r.Get()));
  EXPECT_EQ(player::AudioRendererName(g.Get()), L"Chosen Device");
  // Without an audio renderer the first filter's name stands in.
  auto empty = NewGraph();
  auto lone = New(CLSID_NullRenderer);
  ASSERT_EQ(empty->AddFilter(lone.Get(), L"Lone"), S_OK);
  EXPECT_EQ(player::AudioRendererName(empty.Get()), L"Lone");
}
