#pragma once

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <filesystem>

namespace viz::testing {

// Answers the message boxes a component opens while the test drives it,
// keeping their texts: each box is accepted as soon as the event loop runs.
class ModalCatcher {
public:
    ModalCatcher() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts_.append(box->text());
                box->accept();
            }
        });
        timer_.start();
    }

    const QStringList& texts() const { return texts_; }

private:
    QTimer timer_;
    QStringList texts_;
};

// Runs the test with the process's current directory set to `path`, where
// the components write their files.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::filesystem::path& path) : previous_(QDir::currentPath()) {
        QDir::setCurrent(QString::fromStdString(path.string()));
    }
    ~CurrentDirectory() { QDir::setCurrent(previous_); }

private:
    QString previous_;
};

}  // namespace viz::testing
