// The client with its Winsock back end against the scripted server, under
// Wine: every loopback case of the native tests.
#include "tests/native/support/LoopbackTests.h"
