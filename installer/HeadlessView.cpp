#include "installer/HeadlessView.h"

#include "installer/Console.h"

namespace installer {

HeadlessView::HeadlessView(Console& console, bool acceptTerms, bool run, int members)
    : console_(console), acceptTerms_(acceptTerms), run_(run), members_(members) {}

void HeadlessView::ShowInformation(const std::string& text) {
  console_.Say(text);
}

// The question is told with the answer that --run gave.
bool HeadlessView::Confirm(const std::string& text) {
  console_.Say(text + (run_ ? " Yes (--run)" : " No (--run would start it)"));
  return run_;
}

void HeadlessView::ShowMember(const std::string& name) {
  ++shown_;
  console_.Progress("Installing " + std::to_string(shown_) + "/" + std::to_string(members_) + " " +
                    name);
}

void HeadlessView::HideProgress() {
  console_.EndProgress();
}

}  // namespace installer
