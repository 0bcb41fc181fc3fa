#pragma once
// Tab page "Graph": prepare the module for horizontal or vertical bar graphs and draw bars.

#include <array>

#include <QWidget>

#include "widgets/pagecontext.h"

class QComboBox;
class QLabel;
class QPushButton;

class GraphPage : public QWidget
{
    Q_OBJECT
public:
    GraphPage(PageContext &context, QWidget *parent = nullptr);

    void cmdInitGraph_Click(int index);
    void cmdHGraph_Click(int index);
    void cmdVertical_Click();

private:
    std::array<QPushButton *, 2> cmdInitGraph{};
    QLabel *Label13 = nullptr;
    QComboBox *cboGraphWidth = nullptr;
    std::array<QPushButton *, 2> cmdHGraph{};
    QLabel *Label14 = nullptr;
    QLabel *Label15 = nullptr;
    QLabel *Label16 = nullptr;
    QComboBox *cboGraphHeight = nullptr;
    QPushButton *cmdVertical = nullptr;

    PageContext &m_context;
};
