#pragma once

// A terminal page's text settings: the "编码" choice that sits beside its
// "Hex显示" box and applies to everything on the page that turns bytes into
// text or text into bytes (receive areas with their output and capture
// files and monitor windows, the send area, the multi-send dialog), and the
// "时间戳" boxes of its receive areas. Both are saved per page.
//
//   textOptions_ = new CTextOptions(context().settings(), MoreSendKind::Serial, this);
//   textOptions_->AddReceiveArea(receive_);    // in page order: the saved bits follow it
//   textOptions_->AddSendArea(send_);
//   grid->addWidget(textOptions_->encodingChoice(), ...);
//   textOptions_->Load();                      // after the areas are added
//   textOptions_->AddMoreSend(moreSend_);      // when the dialog is created
//   textOptions_->Save();                      // with the page's other settings

#include <QObject>
#include <QPointer>

#include <vector>

#include "base/SettingsStore.h"
#include "terminal/TextCodec.h"

class QComboBox;
class QWidget;

namespace viz {

class CMoreSendDialog;
class CReceiveArea;
class CSendArea;

class CTextOptions : public QObject {
    Q_OBJECT

public:
    CTextOptions(SettingsStore& settings, MoreSendKind page, QWidget* parent);

    // The label "编码" and its list, to be placed on the page.
    QWidget* encodingChoice() const { return choice_; }
    QComboBox* encodingBox() const { return box_; }

    void AddReceiveArea(CReceiveArea* area);
    void AddSendArea(CSendArea* area);
    void AddMoreSend(CMoreSendDialog* dialog);

    TextEncoding encoding() const;
    void setEncoding(TextEncoding encoding);

    // The page's saved values, or GBK and no time stamps.
    void Load();
    // Writes only what changed since Load, so a page opened and left alone
    // leaves the file as it was (an earlier version's file gains nothing).
    void Save();

private:
    void Apply();
    TextSettings Shown() const;

    SettingsStore& settings_;
    const MoreSendKind page_;
    TextSettings loaded_;
    QWidget* choice_;
    QComboBox* box_;
    std::vector<QPointer<CReceiveArea>> receiveAreas_;
    std::vector<QPointer<CSendArea>> sendAreas_;
    std::vector<QPointer<CMoreSendDialog>> moreSends_;
};

}  // namespace viz
