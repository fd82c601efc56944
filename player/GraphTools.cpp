#include "player/GraphTools.h"

#include "player/PlayerError.h"

#include <cwctype>

namespace player {
namespace {

std::vector<ComPtr<IPin>> FilterPins(IBaseFilter* filter) {
  std::vector<ComPtr<IPin>> pins;
  ComPtr<IEnumPins> e;
  if (FAILED(filter->EnumPins(&e)) || !e) return pins;
  ComPtr<IPin> pin;
  while (e->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) pins.push_back(pin);
  return pins;
}

std::wstring NameOf(IBaseFilter* filter) {
  FILTER_INFO info = {};
  if (FAILED(filter->QueryFilterInfo(&info))) return {};
  if (info.pGraph) info.pGraph->Release();
  return std::wstring(info.achName, wcsnlen(info.achName, MAX_FILTER_NAME));
}

enum class Kind { NoRenderer, AudioRenderer, OtherRenderer };

// A renderer has exactly one input pin and no output pin; its kind is the
// major type of its input's connection (none when that cannot be read).
Kind KindOf(IBaseFilter* filter, ComPtr<IPin>& input) {
  int inputs = 0, outputs = 0;
  for (auto& pin : FilterPins(filter)) {
    PIN_DIRECTION dir;
    if (FAILED(pin->QueryDirection(&dir))) continue;
    if (dir == PINDIR_OUTPUT) {
      ++outputs;
    } else {
      ++inputs;
      input = pin;
    }
  }
  if (outputs != 0 || inputs != 1) return Kind::NoRenderer;
  AM_MEDIA_TYPE mt = {};
  if (FAILED(input->ConnectionMediaType(&mt))) return Kind::NoRenderer;
  const bool audio = mt.majortype == MEDIATYPE_Audio;
  if (mt.cbFormat && mt.pbFormat) ::CoTaskMemFree(mt.pbFormat);
  if (mt.pUnk) mt.pUnk->Release();
  return audio ? Kind::AudioRenderer : Kind::OtherRenderer;
}

// A picture (or other non-sound) renderer goes; a null renderer takes the
// stream so that the graph still runs as before without a window.
void ReplaceWithNullRenderer(IGraphBuilder* graph, IBaseFilter* old, IPin* input) {
  ComPtr<IBaseFilter> null;
  CheckResult(::CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&null)));
  CheckResult(graph->AddFilter(null.Get(), L"Null Renderer"));
  ComPtr<IPin> upstream;
  input->ConnectedTo(&upstream);
  CheckResult(graph->RemoveFilter(old));
  auto pins = FilterPins(null.Get());
  // An upstream pin left unconnected is not rendered, which serves as well.
  if (upstream && !pins.empty()) graph->Connect(upstream.Get(), pins.front().Get());
}

}  // namespace

std::vector<ComPtr<IBaseFilter>> GraphFilters(IFilterGraph* graph) {
  std::vector<ComPtr<IBaseFilter>> filters;
  ComPtr<IEnumFilters> e;
  if (FAILED(graph->EnumFilters(&e)) || !e) return filters;
  ComPtr<IBaseFilter> filter;
  while (e->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) filters.push_back(filter);
  return filters;
}

std::vector<std::wstring> GraphFilterNames(IFilterGraph* graph) {
  std::vector<std::wstring> names;
  for (auto& f : GraphFilters(graph)) names.push_back(NameOf(f.Get()));
  return names;
}

void RemoveAllFilters(IFilterGraph* graph) {
  // Collected first: removing while enumerating puts the enumerator out of step.
  for (auto& f : GraphFilters(graph)) graph->RemoveFilter(f.Get());
}

ComPtr<IBaseFilter> FindAudioRenderer(IGraphBuilder* graph) {
  ComPtr<IBaseFilter> found;
  // Collected first: replacing a renderer changes the graph's filter list.
  for (auto& filter : GraphFilters(graph)) {
    ComPtr<IPin> input;
    switch (KindOf(filter.Get(), input)) {
      case Kind::AudioRenderer: found = filter; break;
      case Kind::OtherRenderer: ReplaceWithNullRenderer(graph, filter.Get(), input.Get()); break;
      case Kind::NoRenderer: break;
    }
  }
  return found;
}

ComPtr<IBaseFilter> AudioRendererOf(IFilterGraph* graph) {
  for (auto& filter : GraphFilters(graph)) {
    ComPtr<IPin> input;
    if (KindOf(filter.Get(), input) == Kind::AudioRenderer) return filter;
  }
  return nullptr;
}

std::wstring AudioRendererName(IFilterGraph* graph) {
  if (auto renderer = AudioRendererOf(graph)) return NameOf(renderer.Get());
  return FirstFilterName(graph);
}

bool IsRendererConnected(IBaseFilter* filter) {
  for (auto& pin : FilterPins(filter)) {
    ComPtr<IPin> peer;
    if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer) return true;
  }
  return false;
}

std::wstring FirstFilterName(IFilterGraph* graph) {
  ComPtr<IEnumFilters> e;
  if (FAILED(graph->EnumFilters(&e)) || !e) return {};
  ComPtr<IBaseFilter> first;
  if (e->Next(1, &first, nullptr) != S_OK || !first) return {};
  return NameOf(first.Get());
}

std::wstring FilterNameOf(const std::wstring& name) { return name.substr(0, MAX_FILTER_NAME - 1); }

int DeviceIndexOfFilterName(const std::wstring& filterName, const std::vector<std::wstring>& names) {
  auto find = [&](const std::wstring& n) {
    for (size_t i = 0; i < names.size(); ++i)
      if (FilterNameOf(names[i]) == n) return static_cast<int>(i);
    return -1;
  };
  int index = find(filterName);
  if (index >= 0 || filterName.size() < 5) return index;
  // A duplicate name gets a space and a four-digit number; nothing else is cut.
  const size_t cut = filterName.size() - 5;
  if (filterName[cut] != L' ') return -1;
  for (size_t i = cut + 1; i < filterName.size(); ++i)
    if (!std::iswdigit(filterName[i])) return -1;
  return find(filterName.substr(0, cut));
}

}  // namespace player
