// The client with its POSIX socket back end against the scripted server.
#include "tests/native/support/LoopbackTests.h"
