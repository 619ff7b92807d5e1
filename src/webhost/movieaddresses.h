#pragma once

// How the players' pages, the engine's files and the movies are addressed
// and served: the one place that knows the players' scheme (swfhost), its
// host, its two roots and how a movie file of the content tree maps to an
// address. The pages themselves spell no address; the scheme handler fills
// it in where a page template names {players} (the root) or {engine}.
//
//   swfhost://menu/engine/<file>    the host pages (compiled in), the web
//                                   channel script and the engine's files
//   swfhost://menu/content/<path>   a movie of the content tree, by its path
//                                   below the tree's root

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

namespace movies {

// The content tree the movies are served from (resolved); none at first,
// and then no movie has an address.
void setTreeRoot(const QString &root);

// The scheme, known to the web engine before its first profile exists.
void registerScheme();
QByteArray scheme();
bool isPlayersAddress(const QUrl &url);

// The engine's page and a stage's window (tagged with the stage's token).
QUrl hostPageUrl();
QUrl stagePageUrl(const QString &token);
// The token of a stage window's address, or empty when url is not one.
QString stageToken(const QUrl &url);

// The address a movie file plays from: only a movie the players may take
// (see content::playableMovie) has one; anything else gets an empty address,
// which blanks a player.
QUrl addressOf(const QString &movieFile);
// The movie file itself (canonical) when it has an address; empty otherwise.
QString playableFile(const QString &movieFile);

// Serves the scheme from the engine's folder and the content tree only;
// anything else, and any path that tries to climb out of its root, is
// refused.
class SchemeHandler final : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SchemeHandler)

public:
    explicit SchemeHandler(const QString &engineDirectory, QObject *parent = nullptr);

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
};

} // namespace movies
