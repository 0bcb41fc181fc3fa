#pragma once
// One pixel of the glyph editor: a small square whose fill colour is its state.

#include <QFrame>

class GlyphCell : public QFrame
{
    Q_OBJECT
public:
    explicit GlyphCell(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
