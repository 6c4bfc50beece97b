#include "framework/win_app.h"

// The Unicode GUI entry point: everything else happens in the application
// object's start-up.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int show) {
    return mailvane::framework::AfxWinMain(instance, commandLine, show);
}
