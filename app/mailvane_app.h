#pragma once

#include "framework/win_app.h"

// The application object: runs the main dialog modally from InitInstance.
class CMailvaneApp : public CWinAppEx {
public:
    BOOL InitInstance() override;
    bool OnCommand(UINT id) override;
};
