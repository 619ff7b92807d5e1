#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QWebEngineProfile;
class FlashSchemeHandler;
class FlashStage;

// The web engine's side of the players, in the web library: one
// off-the-record profile that serves the engine's files and the movies
// through the program's own scheme, a request filter that keeps movies off
// the network, and the one page all the players run in.
class FlashRuntime final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashRuntime)

public:
    // The program's scheme, known to the web engine before its first
    // profile exists; the library does this as it is loaded.
    static void registerScheme();

    // The runtime, created on first use, serving the engine's files from
    // engineDirectory (only the first call's directory counts).
    static FlashRuntime *instance(const QString &engineDirectory);
    // The runtime if it exists, else none.
    static FlashRuntime *existing();

    // Made on first use: the profile starts the web engine itself.
    QWebEngineProfile *profile();
    FlashStage *stage();
    // The stage if it exists, else none.
    FlashStage *existingStage() const { return m_stage; }
    static QUrl stageUrl();

    void setContentRoot(const QString &localDirectory);

    ~FlashRuntime() override;

private:
    explicit FlashRuntime(const QString &engineDirectory);

    QWebEngineProfile *m_profile = nullptr;
    FlashStage *m_stage = nullptr;
    FlashSchemeHandler *m_handler = nullptr;
    static QPointer<FlashRuntime> s_instance;
};
