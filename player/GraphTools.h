// Operations on a DirectShow filter graph that the player builds on; free
// functions so that they can be tried on a graph of their own.
#pragma once

#include "player/DShow.h"

#include <string>
#include <vector>

namespace player {

// The graph's filters in the graph's own order (renderers first).
std::vector<ComPtr<IBaseFilter>> GraphFilters(IFilterGraph* graph);
// Their names, in the same order; for diagnostics and tests.
std::vector<std::wstring> GraphFilterNames(IFilterGraph* graph);
// Removes every filter from the graph.
void RemoveAllFilters(IFilterGraph* graph);

// The audio renderer of a rendered graph: the last filter with exactly one
// input pin and no output pin whose connection carries sound. Renderers of
// other kinds (pictures) are replaced on the way by null renderers, so that
// no other output window opens. Empty when there is none.
ComPtr<IBaseFilter> FindAudioRenderer(IGraphBuilder* graph);
// True when at least one pin of the filter is connected.
bool IsRendererConnected(IBaseFilter* filter);
// The name of the graph's first filter; empty when there is none or on error.
std::wstring FirstFilterName(IFilterGraph* graph);

// The name of the graph's first audio renderer (see FindAudioRenderer; this
// one changes nothing), else FirstFilterName. Wine lists a graph's filters in
// the reverse order of their addition, so the first filter of a graph built on
// a renderer added beforehand is not the renderer.
std::wstring AudioRendererName(IFilterGraph* graph);
// The graph's first audio renderer, changing nothing; empty when none.
ComPtr<IBaseFilter> AudioRendererOf(IFilterGraph* graph);

// The index in names of the device a filter named filterName renders to, or
// -1: the exact name, else the name less the " NNNN" the graph appends to a
// duplicate filter name. Names are compared as the graph keeps them, at most
// MAX_FILTER_NAME - 1 characters.
int DeviceIndexOfFilterName(const std::wstring& filterName, const std::vector<std::wstring>& names);

// A name as the graph keeps it (at most MAX_FILTER_NAME - 1 characters).
std::wstring FilterNameOf(const std::wstring& name);

}  // namespace player
