#pragma once

// The menu's main window. The form (Main.ui) defines every control; this
// class holds the run's state: the base directory (the current directory at
// start-up), the configuration directory (base + "\config\") and the series
// code the year and level buttons choose. Data flows one way: a button that
// becomes checked sets the series code, the label and the preview
// (Main_selection.cpp); entering the preview twice or the OK movie's command
// runs the activation, which starts the chosen manual's reader, the web
// viewer or the diary (Main_activation.cpp); the hidden "Copia" button runs
// the catalog copy (Main_catalog.cpp).

#include "selection.h"

#include <QString>
#include <QWidget>

#include <memory>

namespace Ui {
class TFRMmain;
}
class QObject;
class TShockwaveFlash;
namespace catalog {
class ClientDataSet;
}

class TFRMmain final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFRMmain)

public:
    explicit TFRMmain(QWidget *parent = nullptr);
    ~TFRMmain() override;

    // Decodes the form's artwork ahead of the window, on any thread.
    static void preloadArtwork();

    QString baseDirectory() const { return m_baseDirectory; }
    QString configDirectory() const { return m_configDirectory; }
    QString seriesCode() const { return m_seriesCode; }

    void SWFmostra();
    void SWFdesativa();

    // Year and level buttons, rb1aClick … rb5aClick and rbn11Click …
    // rbn33Click: each sets the series code, the label and the preview of
    // its row (Main_selection.cpp).
#define DECLARE_SELECTOR_HANDLER(button) void button##Click(QObject *sender);
    MENU_SELECTORS(DECLARE_SELECTOR_HANDLER)
#undef DECLARE_SELECTOR_HANDLER

    // Activation.
    void SWFinfEnter(QObject *sender);
    void SWFokFSCommand(QObject *sender, const QString &command, const QString &args);
    void SWFsairFSCommand(QObject *sender, const QString &command, const QString &args);
    void btokClick(QObject *sender);

    // Catalog copy.
    void Button1Click(QObject *sender);

private:
    void FormCreate(QObject *sender);
    void wireHandlers();
    void wireSelectors();
    void applyChoice(const selection::Row &row);
    void setSeriesCaption(const QString &caption);
    QString checkedManual() const;
    bool startManual(const QString &manual);

    std::unique_ptr<Ui::TFRMmain> ui;
    QString m_baseDirectory;
    QString m_configDirectory;
    QString m_seriesCode;
    std::unique_ptr<catalog::ClientDataSet> m_cdxtb;
};
