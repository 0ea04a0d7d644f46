#pragma once

#include <QWidget>

// The form view: the plug-in's flow window lives in it as a child window and
// sets its own height. The view keeps its minimum size large enough for its
// child windows (and a margin), so that the scroll area around it scrolls
// whatever they need.
class HostFormView : public QWidget
{
public:
    static constexpr int kMargin = 20;

    explicit HostFormView(QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitChildren();
};
