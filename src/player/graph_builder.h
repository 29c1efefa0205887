// Graph-building steps shared by omb_Open and the self-test.
#pragma once
#include <windows.h>
#include <dshow.h>

namespace ombrix {

// Class contexts: the graph objects may come from an in-process handler,
// the filters only from an in-process server.
constexpr DWORD kGraphContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD kFilterContext = CLSCTX_INPROC_SERVER;

// Adds a filter under a name; a filter that could not be created (null)
// stays out of the graph.
void addFilter(IGraphBuilder* graph, IBaseFilter* filter, const wchar_t* name);

// Renders the source's next stream, or its stream of the major type when one
// is given, to the sink; a null sink is skipped, as the builder would
// otherwise pick a default renderer.
void renderTo(ICaptureGraphBuilder2* builder, IBaseFilter* source, IBaseFilter* sink, const GUID* type = nullptr);

// The code page of the host's narrow texts (omb_Open's file name), for every
// player: CP_ACP, the process's ANSI code page, at load; omb_UseUTF8 switches
// between it and CP_UTF8. Set and read on the host's thread.
UINT hostCodePage();
void setHostCodePage(UINT codePage);

} // namespace ombrix
