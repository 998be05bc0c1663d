// A plain panel that draws its caption centred, as the preview pane uses it for its
// placeholder text.
#pragma once

#include <QWidget>

#include <functional>

class TFbPanel : public QWidget {
    Q_OBJECT
public:
    explicit TFbPanel(QWidget* parent = nullptr);

    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& caption);

    std::function<void(TFbPanel* sender)> OnResize;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString FCaption;
};
