#include "UMiniTerminal.h"

#include "FormLayout.h"
#include "UAppMain.h"
#include "cport/ComPort.h"
#include "cport/qt/ComTerminal.h"

namespace app {

TMiniTerminal *MiniTerminal = nullptr;

TMiniTerminal::TMiniTerminal(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("MiniTerminal"));
    setWindowTitle(QStringLiteral("MiniTerminal"));
    SetFormBounds(this, 192, 100, 408, 277);

    ComTerminal = new cport::TComTerminal(this);
    ComTerminal->setObjectName(QStringLiteral("ComTerminal"));
    ComTerminal->SetName("ComTerminal");
    ComTerminal->setGeometry(0, 0, 400, 250);
    // As the window's design is loaded: the settings first, then the
    // terminal sets up its parser and grid for them.
    ComTerminal->BeginLoading();
    ComTerminal->SetComPort(AppMain != nullptr ? AppMain->ComPort : nullptr);
    ComTerminal->SetEmulation(cport::teVT100orANSI);
    ComTerminal->SetColor(fw::clBlack);
    cport::TFont font(cport::FixedsysName, 9, fw::clWhite);
    font.SetHeight(-12); // 12 pixels character height
    ComTerminal->SetFont(font);
    ComTerminal->SetScrollBars(cport::ssBoth);
    ComTerminal->EndLoading();
}

TMiniTerminal::~TMiniTerminal() {
    // Leave the port's listeners now, while the port surely exists.
    ComTerminal->SetComPort(nullptr);
}

} // namespace app
