#include "update/ReadMePage.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "Version.h"
#include "base/MakerInfo.h"
#include "base/SoftConfigureDlg.h"
#include "update/ServerText.h"
#include "update/StoppableWait.h"
#include "update/UpdateDlg.h"
#include "update/UpdateTexts.h"

namespace viz {
namespace {

namespace t = texts::update;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The box shows server text as lines, whatever line ends the server used.
QString AsLines(QString text) {
    return text.replace("\r\n", "\n");
}

void OpenAddress(const char* address) {
    QDesktopServices::openUrl(QUrl(Text(address)));
}

void ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QCoreApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.exec();
}

// Orange on black for the information box and the support line; dark blue
// for the links and contact lines.
const QColor kNoticeText(0xFE, 0x4C, 0x01);
const QColor kNoticeBack(0x00, 0x00, 0x00);
const QColor kLinkText(0x00, 0x00, 0xA0);

void Colour(QWidget* widget, QPalette::ColorRole textRole, const QColor& text, QPalette::ColorRole backRole,
            const QColor& back) {
    QPalette palette = widget->palette();
    palette.setColor(textRole, text);
    palette.setColor(backRole, back);
    widget->setPalette(palette);
}

}  // namespace

CReadMe::CReadMe(PageContext& context, QWidget* parent)
    : CPage(context, parent),
      servers_(UpdateServers::FromEnvironment()),
      info_(new QPlainTextEdit(this)),
      downloadNew_(new QPushButton(Text(t::kDownloadNew), this)) {
    auto* picture = new QPushButton(this);
    picture->setObjectName("picture");
    picture->setFlat(true);
    picture->setIcon(QIcon(QStringLiteral(":/update/readme.svg")));
    picture->setIconSize(QSize(240, 160));
    picture->setCursor(Qt::PointingHandCursor);
    picture->setAccessibleName(Text(t::kPictureName));
    picture->setToolTip(Text(t::kPictureName));
    connect(picture, &QPushButton::clicked, this, [] {
        for (const char* address : {maker::kShop, maker::kBlog, maker::kForum}) OpenAddress(address);
    });

    auto* versionInfo = new QPushButton(Text(t::kVersionInfo), this);
    auto* configure = new QPushButton(Text(t::kConfigure), this);
    connect(versionInfo, &QPushButton::clicked, this, &CReadMe::ShowVersionInfo);
    connect(downloadNew_, &QPushButton::clicked, this, &CReadMe::CheckForNewVersion);
    connect(configure, &QPushButton::clicked, this, &CReadMe::OpenConfiguration);
    CreateInfoBox();

    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addWidget(CreateLinks(), 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(versionInfo);
    buttons->addWidget(downloadNew_);
    buttons->addWidget(configure);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(info_, 1);
    layout->addLayout(buttons);

    CUpdateDlg::RemoveLeftoverDownloads();
    if (!context.automaticUpdate()) return;
    infoThread_ = std::jthread([this, infoDelay = context.updateInfoDelay(),
                                servers = servers_](std::stop_token stop) {
        if (!WaitUnlessStopped(stop, infoDelay)) return;
        const std::optional<std::u16string> text = FetchValidText(servers, kInfoFilePath, stop);
        if (!text || stop.stop_requested()) return;
        QMetaObject::invokeMethod(
            this, [this, shown = AsLines(QString::fromStdU16String(*text))] { info_->setPlainText(shown); },
            Qt::QueuedConnection);
    });
}

CReadMe::~CReadMe() {
    // The threads post to this page: they end while it is still whole.
    infoThread_ = {};
    checkThread_ = {};
}

QWidget* CReadMe::CreateLinks() {
    auto* links = new QWidget(this);
    auto* support = new QLabel(Text(t::kSupportLine), links);
    support->setAutoFillBackground(true);
    Colour(support, QPalette::WindowText, kNoticeText, QPalette::Window, kNoticeBack);

    auto* groups = new QLabel(Text(maker::kUserGroups), links);
    auto* dealers = new QLabel(Text(maker::kBoardDealers), links);
    for (QLabel* label : {groups, dealers}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        Colour(label, QPalette::WindowText, kLinkText, QPalette::Window, palette().color(QPalette::Window));
    }

    auto* grid = new QGridLayout(links);
    grid->addWidget(support, 0, 0, 1, 2);
    grid->addWidget(CreateLink(t::kShopCaption, maker::kShop), 1, 0);
    grid->addWidget(CreateLink(t::kBlogCaption, maker::kBlog), 1, 1);
    grid->addWidget(CreateLink(t::kForumCaption, maker::kForum), 2, 0);
    grid->addWidget(CreateLink(t::kWebSiteCaption, maker::kWebSite), 2, 1);
    grid->addWidget(groups, 3, 0);
    grid->addWidget(dealers, 3, 1);
    grid->setRowStretch(4, 1);
    return links;
}

QPushButton* CReadMe::CreateLink(const char* caption, const char* address) {
    auto* link = new QPushButton(Text(caption) + "\n" + Text(address), this);
    link->setAccessibleName(Text(caption));
    link->setAccessibleDescription(Text(address));
    link->setCursor(Qt::PointingHandCursor);
    link->setFlat(true);
    link->setStyleSheet(
        QStringLiteral("QPushButton { color: #0000a0; text-align: left; border: 1px solid transparent;"
                       " padding: 2px 6px; }"
                       "QPushButton:focus { border: 1px dotted #0000a0; }"));
    connect(link, &QPushButton::clicked, this, [address] { OpenAddress(address); });
    return link;
}

void CReadMe::CreateInfoBox() {
    info_->setObjectName("info");
    info_->setAccessibleName(Text(t::kInfoName));
    info_->setReadOnly(true);
    info_->setTabChangesFocus(true);
    info_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(Text(t::kInfoFont));
    font.setPixelSize(14);
    font.setBold(true);
    font.setStyleHint(QFont::SansSerif);
    info_->setFont(font);
    Colour(info_, QPalette::Text, kNoticeText, QPalette::Base, kNoticeBack);
    info_->setPlainText(AsLines(Text(t::kInfoStart)));
}

void CReadMe::ShowVersionInfo() {
    const QString text = Text(t::kAboutVersion) + Text(kVersionText) + Text(t::kAboutAuthor) +
                         Text(maker::kAuthor) + Text(t::kAboutContact) + Text(maker::kEmail) +
                         Text(t::kAboutFeatures);
    ShowMessage(this, QMessageBox::NoIcon, text);
}

void CReadMe::CheckForNewVersion() {
    // The servers are asked off this thread; the button waits for the answer.
    downloadNew_->setEnabled(false);
    checkThread_ = std::jthread([this, servers = servers_](std::stop_token stop) {
        const int result = CheckVersionOnServers(servers, stop);
        if (stop.stop_requested()) return;
        QMetaObject::invokeMethod(
            this, [this, result] { ShowCheckResult(result); }, Qt::QueuedConnection);
    });
}

void CReadMe::ShowCheckResult(int result) {
    // The finished thread is joined by the next check or the page's end,
    // so the window does not wait for it to leave.
    downloadNew_->setEnabled(true);
    if (result == 1) {
        CUpdateDlg downloader(servers_, this);
        downloader.exec();
    } else if (result == 0) {
        ShowMessage(this, QMessageBox::NoIcon, Text(t::kNoUpdateNeeded));
    } else {
        ShowMessage(this, QMessageBox::Critical, Text(t::kServerUnreachable));
    }
}

void CReadMe::OpenConfiguration() {
    CSoftConfigureDlg dialog(context().settings(), this);
    dialog.exec();
}

}  // namespace viz
