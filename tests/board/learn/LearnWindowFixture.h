#pragma once

// The board window in a test, set to run the test's own 8051 firmware from
// tests/board/learn/firmware through the real s51, as a user would.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

#include "PageTestSupport.h"
#include "board/BoardTestSupport.h"
#include "board/VirtualBoardDlg.h"
#include "board/learn/LearnBoardPanel.h"

namespace viz::testing {

// s51 needs some seconds on a machine two test runs share.
constexpr int kLearnPatienceMs = 60000;

class LearnWindowTest : public ::testing::Test {
protected:
    LearnWindowTest() : board_(host_.context, VirtualBoardSetup{TestToolSearch(), {}}, nullptr) {
        SetClock("12");
        board_.findChild<QRadioButton*>("useFile")->setChecked(true);
    }

    void SetClock(const char* megahertz) {
        board_.findChild<QLineEdit*>("clock")->setText(QString::fromLatin1(megahertz));
    }
    // Runs firmware/<firmware>, or the file at `path`, as the user's file.
    void Run(const char* firmware) {
        RunFile(QStringLiteral(VIZ_LEARN_FIRMWARE_DIR "/") + QString::fromLatin1(firmware));
    }
    void RunFile(const QString& path) {
        board_.findChild<QLineEdit*>("file")->setText(path);
        QTest::mouseClick(board_.startButton(), Qt::LeftButton);
        ASSERT_TRUE(board_.running()) << board_.output()->toPlainText().toStdString();
    }
    void StopRun() {
        board_.Stop();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !board_.running(); }, kLearnPatienceMs));
    }
    CLearnBoardView* view() const { return board_.learnPanel()->view(); }
    std::string Output() const { return board_.output()->toPlainText().toStdString(); }

    PageHost host_;
    CVirtualBoardDlg board_;
};

}  // namespace viz::testing
