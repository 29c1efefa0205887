// Stand-ins for the platform's COM objects. Each fake counts its references,
// writes every call with its arguments to the world's log, can be told to
// fail a method with a given HRESULT (fake_keys.h) and to lack any interface.
// Tests include this one header.
#pragma once
#include "fake_audio.h"
#include "fake_builder.h"
#include "fake_filter.h"
#include "fake_graph.h"
#include "fake_keys.h"
#include "fake_object.h"
#include "world.h"
