// The framework's operations, as the program calls them.
#pragma once

#include "framework/runtime/object.h"
#include "framework/runtime/runtime.h"
#include "framework/incbin/incbin.h"
#include "framework/stream/stream.h"
#include "framework/linkedlist/linkedlist.h"
#include "framework/random/random.h"
