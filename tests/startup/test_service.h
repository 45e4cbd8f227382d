#pragma once
// The loopback server every test of this executable shares; ZORVIA_SERVICE_URL points at it.

#include "loopback_server.h"

LoopbackServer& TestService();
