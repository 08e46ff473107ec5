// The program Tavisco.
#include "framework/WinApi.h"

#include "app/Main.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunApplication(); }
