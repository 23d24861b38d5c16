// CGraphCtrl: one property series as a line chart in a subclassed static control. The owner writes
// the points, the axis titles and the symbol switch (the axis state it inherits), calls RecalcExtents
// and RecalcAxes and invalidates the control. It paints through an off-screen bitmap made at its first
// paint and kept for its life, copied to the screen in one block transfer.
#pragma once

#include <memory>

#include "framework/controls.h"
#include "framework/gdi.h"
#include "graph/graphaxes.h"

class CGraphCtrl : public CStatic, public CGraphAxes {
public:
    CGraphCtrl() = default;

    // The layout for the control's client area; run at the first paint.
    void CalcLayout();

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    void DrawPlotBackground(CDC& dc);
    void DrawGrid(CDC& dc);
    void DrawCurve(CDC& dc);
    void DrawFrame(CDC& dc);
    void DrawLabels(CDC& dc);

    std::unique_ptr<CMemDC> m_memDC;
};
