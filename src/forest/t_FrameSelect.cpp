#include "t_FrameSelect.h"

namespace zelto {

void TFrameSelector::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TFrameSelector::GetX, &TFrameSelector::SetX>("X").def(0.0);
    b.prop<&TFrameSelector::GetY, &TFrameSelector::SetY>("Y").def(0.0);
}
ZELTO_IMPLEMENT_CLASS(TFrameSelector, TTool, "t_FrameSelect")

TFrameSelector::TFrameSelector() {
    FindInput();
}

void TFrameSelector::FindInput() {}

void TFrameSelector::DoIt() {}

} // namespace zelto
