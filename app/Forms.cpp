#include "Forms.h"

#include "UABOUT.h"
#include "UAppMain.h"
#include "UFillMemory.h"
#include "UMemoryPartition.h"
#include "UMiniTerminal.h"
#include "UReadWritePorts.h"
#include "cport/qt/ComSetupFrm.h"

namespace app {

void CreateForms() {
    // Setup > Serial Port runs the port setup dialog of the controls library.
    cport::RegisterComSetupDialog();
    AppMain = new TAppMain;
    AboutBox = new TAboutBox;
    MemoryPartition = new TMemoryPartition;
    MiniTerminal = new TMiniTerminal;
    ReadWritePorts = new TReadWritePorts;
    FillMem = new TFillMem;
}

namespace {

template <typename Form> void Destroy(Form *&form) {
    delete form;
    form = nullptr;
}

} // namespace

void DestroyForms() {
    Destroy(FillMem);
    Destroy(ReadWritePorts);
    Destroy(MiniTerminal);
    Destroy(MemoryPartition);
    Destroy(AboutBox);
    Destroy(AppMain);
}

} // namespace app
