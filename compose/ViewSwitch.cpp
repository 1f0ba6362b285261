#include "ViewSwitch.h"

#include "CompositionState.h"
#include "TImage.h"
#include "TPanel.h"

void ShowRequestedView(const TWindowControls& c) {
    const bool input = Composition.ViewRequest != 0;
    c.Panel1->setVisible(!input);
    c.Panel2->setVisible(input);
    c.Image1->setVisible(!input);
    c.Image2->setVisible(input);
    Composition.ViewRequest = input ? 0 : 1;
    // The tab pictures that tell which view is shown.
    c.Image5->setVisible(input);
    c.Image6->setVisible(!input);
}

void RequestView(const TWindowControls& c, TView view) {
    Composition.ViewRequest = view == TView::Input ? 1 : 0;
    ShowRequestedView(c);
}

bool InputViewShown(const TWindowControls& c) { return !c.Panel2->isHidden(); }
