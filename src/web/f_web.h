#pragma once

// The web viewer: a frameless window, shown maximised and modal by the
// activation, on the content server's start page for the main window's
// series code. Home, back, forward and close sit in the bottom strip, close
// also in the title strip. Each window has its own off-the-record profile, so
// nothing of an earlier window (pages, history, cookies) survives, and the
// program writes nothing to disk. While it is active it holds the
// application's key filter slot (KeyRouter); it frees itself when closed and
// clears the one global reference to it.

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

namespace Ui {
class Tfrmweb;
}
class KeyRouter;
class QWebEngineProfile;
class WebPage;

class Tfrmweb final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Tfrmweb)

public:
    // seriesCode: the main window's series code, read when a start page is chosen.
    explicit Tfrmweb(QWidget *owner, std::function<QString()> seriesCode);
    ~Tfrmweb() override;

    void Button1Click(QObject *sender); // "Inicio"
    void Button2Click(QObject *sender); // "<<Anterior"
    void Button3Click(QObject *sender); // "Proximo>>"
    void Button4Click(QObject *sender); // "Fechar"
    void b1Click(QObject *sender);      // "X"

    KeyRouter *keyRouter() const { return m_router; }

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void FormCreate(QObject *sender);
    void FormActivate(QObject *sender);
    void FormDeactivate(QObject *sender);
    void navigateToStartPage();
    void layoutStrips();

    std::unique_ptr<Ui::Tfrmweb> ui;
    std::function<QString()> m_seriesCode;
    QWebEngineProfile *m_profile = nullptr;
    WebPage *m_page = nullptr;
    KeyRouter *m_router = nullptr;
    QPointer<QObject> m_savedFilter;
    bool m_filterInstalled = false;
    bool m_closed = false;
};

// The open web viewer, or none.
extern Tfrmweb *frmweb;
