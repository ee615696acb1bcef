#pragma once

// The "Hex类型" chooser of the file conversions: type 1 or type 2. Every
// opening starts at "类型1".
//
//   if (std::optional<int> type = CHexTypeDlg::Choose(this)) use(*type);

#include <QDialog>

#include <optional>

class QRadioButton;

namespace viz {

class CHexTypeDlg : public QDialog {
    Q_OBJECT

public:
    explicit CHexTypeDlg(QWidget* parent = nullptr);

    // Runs the dialog modally: the type on "确定", nothing on "取消".
    static std::optional<int> Choose(QWidget* parent);

    int type() const { return type_; }
    QRadioButton* typeButton(int type) const { return type == 2 ? type2_ : type1_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QRadioButton* type1_;
    QRadioButton* type2_;
    int type_ = 1;
};

}  // namespace viz
