// The web library's entry point: the program's players and web viewer, as
// WebModule describes them, on the web engine.

#include "webmodule.h"

#include "contentserver.h"
#include "f_web.h"
#include "flashruntime.h"
#include "flashstage.h"

#include <QtGlobal>

namespace {

// The scheme must be known before the web engine's first profile, which only
// this library makes: registering it as the library loads is early enough.
void registerFlashScheme()
{
    FlashRuntime::registerScheme();
}
Q_CONSTRUCTOR_FUNCTION(registerFlashScheme)

class EngineModule final : public WebModule
{
public:
    // The program names the engine's folder once, as it loads the library,
    // before any slot; the runtime serves from it (without starting the web
    // engine yet).
    void setEngineDirectory(const QString &directory) override { FlashRuntime::instance(directory); }

    void setContentRoot(const QString &localDirectory) override
    {
        if (FlashRuntime *runtime = FlashRuntime::existing())
            runtime->setContentRoot(localDirectory);
    }

    int openSlot(FlashSlotOwner *owner, const QString &url) override
    {
        FlashRuntime *runtime = FlashRuntime::existing();
        return runtime ? runtime->stage()->openSlot(owner, url) : 0;
    }

    void play(int slot, const QString &url) override
    {
        if (FlashStage *stage = existingStage())
            stage->play(slot, url);
    }

    void closeSlot(int slot) override
    {
        if (FlashStage *stage = existingStage())
            stage->closeSlot(slot);
    }

    void holdPlayersBack(int milliseconds) override
    {
        if (FlashStage *stage = existingStage())
            stage->holdBack(milliseconds);
    }

    QDialog *createViewer(QWidget *owner, std::function<QString()> seriesCode) override
    {
        auto *viewer = new Tfrmweb(owner, std::move(seriesCode));
        frmweb = viewer;
        return viewer;
    }

    void setContentServer(const QString &host) override { web::setContentServer(host); }

private:
    static FlashStage *existingStage()
    {
        FlashRuntime *runtime = FlashRuntime::existing();
        return runtime ? runtime->existingStage() : nullptr;
    }
};

} // namespace

extern "C" Q_DECL_EXPORT WebModule *apostilas_web_module()
{
    static EngineModule module;
    return &module;
}
