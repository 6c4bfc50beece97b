#pragma once

#include "framework/win_app.h"

namespace mailvane::app {

// The application object: runs the main dialog modally from InitInstance.
class CMailvaneApp : public framework::CWinAppEx {
public:
    BOOL InitInstance() override;
    bool OnCommand(UINT id) override;
};

}  // namespace mailvane::app
