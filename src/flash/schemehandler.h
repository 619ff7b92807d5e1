#pragma once

#include <QByteArray>
#include <QString>
#include <QWebEngineUrlSchemeHandler>

// Serves the host pages' own scheme, swfhost://menu/…, from two roots only:
// /engine/<file> from the engine's folder (plus the host page itself and the
// web channel script, compiled in) and /content/<path> from the content
// root, the folder the movies live in. Anything else, and any path that
// tries to climb out of its root, is refused.
class FlashSchemeHandler final : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlashSchemeHandler)

public:
    FlashSchemeHandler(const QString &engineDirectory, QObject *parent = nullptr);

    void setContentRoot(const QString &localDirectory);
    QString contentRoot() const { return m_contentRoot; }

    void requestStarted(QWebEngineUrlRequestJob *job) override;

    struct Resolved
    {
        QString localPath;  // a file to read, or empty
        QString resource;   // a compiled-in file to read, or empty
        QByteArray mimeType;
    };
    // Maps the percent-encoded path of a request to what it may read; an
    // empty result means the request is refused.
    Resolved resolve(const QString &encodedPath) const;

private:
    QString m_engineDirectory;
    QString m_contentRoot;
};
