#pragma once
// The application object: start-up in order (frame, form, settings, name, splash, 3D
// application, title) and the idle step that renders frames while the queue is empty.

#include "framework/early_direct3d.h"
#include "shell/application.h"
#include "shell/resource_report.h"

#include <memory>

/// The document of the single-document arrangement: the game keeps no document data.
class CAppDoc {};

class CAppForm;

class CApp : public CApplication {
protected:
    bool InitInstance() override;
    bool OnIdle(long idleCount) override;
    int ExitInstance(int exitCode) override;
    /// The form of the game; tests make one with settings and a Direct3D object of their own.
    virtual std::unique_ptr<CAppForm> CreateForm();

private:
    /// The idle step while there is nothing to draw (paused, device lost): a short wait, then true.
    bool WaitWithNothingToDraw();

    ResourceReport resourceReport;                 ///< opt-in, for soak tests
    std::unique_ptr<CEarlyDirect3D> earlyDirect3D; ///< made first thing, taken by the 3D application
};
