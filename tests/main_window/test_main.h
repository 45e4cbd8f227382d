#pragma once
// What the test program's main() sets up for every test.

#include <memory>
#include <string>

class LoopbackServer;
class TfrmZORMain;

// The stand-in vendor and image server; ServiceBaseUrl() points at it.
LoopbackServer& TestServer();
