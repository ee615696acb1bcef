#pragma once

// A terminal page's traffic monitor window: one row per link opened (O) or
// closed (C), block sent (S) or received (R), while monitoring is on.
//
//   // first use of the page's monitor button:
//   monitor_ = new CPortMonitorDialog(u"伪串口监视器", portText, this);
//   monitor_->show();
//   area_->AttachMonitor(monitor_);  sendArea_->AttachMonitor(0, monitor_);
//   // later uses: monitor_->show(); the close box only hides it.
//   monitor_->LinkChanged(true);                          // link opened / closed

#include <QDialog>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "terminal/MonitorRecords.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace viz {

class CListCtrlEx;

class CPortMonitorDialog : public QDialog {
    Q_OBJECT

public:
    // Title and port caption are cut to 64 characters.
    CPortMonitorDialog(const QString& title, const QString& portCaption, QWidget* parent = nullptr);

    void LinkChanged(bool opened);
    void AddRecord(RecordKind kind, const std::uint8_t* bytes, std::size_t count);

    CListCtrlEx* list() const { return list_; }
    bool monitoring() const { return records_.monitoring(); }

    void StartMonitoring();
    void StopMonitoring();
    void ClearRows();
    void SetHex(bool on) { records_.setHex(on); }
    // The page's encoding: the text of later rows and the saved log.
    void SetEncoding(TextEncoding encoding) { records_.setEncoding(encoding); }
    TextEncoding encoding() const { return records_.encoding(); }
    // Writes "<title>.txt" in the current directory and reports the result.
    void SaveLog();

private:
    void Add(const std::optional<MonitorRow>& row);

    MonitorRecords records_;
    CListCtrlEx* list_;
    QLabel* portLine_;
    QPushButton* start_;
    QPushButton* stop_;
    QCheckBox* hex_;
};

}  // namespace viz
