#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

namespace viz {

class CPage;

// Holds the place of one page behind its tab and builds the page the first
// time the tab is opened (the holder shown) or the page is asked for. The
// page is built while the holder is being shown, before the tab strip moves
// the keyboard focus onto the page, so a page built late takes the focus as
// one built at start would.
class CPageHolder : public QWidget {
public:
    using Builder = std::function<CPage*(QWidget* parent)>;

    CPageHolder(Builder build, QWidget* parent);

    // The page, built now if it was not yet.
    CPage* page();
    // The page if it has been built (and not deleted since), else null.
    CPage* builtPage() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Builder build_;
    QPointer<CPage> page_;
};

}  // namespace viz
