#include "ui/panels/seed_panel.h"

#include <QFrame>
#include <QGridLayout>
#include <QLineEdit>
#include <charconv>
#include <string>

#include "ui/panels/bindings.h"

namespace strida::ui {

namespace {
// The whole text as a seed: digits only, no sign, no blanks, at most 2^64 - 1.
std::optional<std::uint64_t> parseSeed(const std::string& text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

const char* const kLongestState = "Every run starts from seed 18446744073709551615.";
}  // namespace

SeedPanel::SeedPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("frmRandomSeed");
    QFrame* frame = panelFrame(this, "frmSeed");
    auto* grid = new QGridLayout(frame);
    grid->addWidget(label("Seed (a whole number):", frame, "lblSeedExplanation"), 0, 0);
    box_ = new QLineEdit(frame);
    box_->setObjectName("txtSeed");
    box_->setMinimumWidth(box_->fontMetrics().horizontalAdvance("18446744073709551615") + 16);
    connect(box_, &QLineEdit::returnPressed, this, [this] { take(); });
    grid->addWidget(box_, 0, 1, 1, 2);
    state_ = label(kLongestState, frame, "lblSeedState");
    state_->setMinimumWidth(state_->sizeHint().width());
    grid->addWidget(state_, 1, 0, 1, 3);
    grid->addWidget(button("cmdOK", "&OK", frame, [this] { take(); }), 2, 0, Qt::AlignRight);
    grid->addWidget(button("cmdClear", "C&lear", frame, [this] { clear(); }), 2, 1);
    grid->addWidget(button("cmdClose", "&Close", frame, [this] { hidePanel(this); }), 2, 2);
    showState();
}

void SeedPanel::take() {
    const std::optional<std::uint64_t> seed = parseSeed(box_->text().trimmed().toStdString());
    if (!seed) {
        if (showMessage)
            showMessage("The seed is a whole number from 0 to 18446744073709551615, not \"" +
                        box_->text() + "\".");
        box_->setText(seed_ ? QString::number(*seed_) : QString());
        return;
    }
    seed_ = seed;
    showState();
}

void SeedPanel::setSeed(std::optional<std::uint64_t> seed) {
    seed_ = seed;
    box_->setText(seed ? QString::number(*seed) : QString());
    showState();
}

void SeedPanel::clear() {
    seed_.reset();
    box_->clear();
    showState();
}

void SeedPanel::showState() {
    state_->setText(seed_ ? QString("Every run starts from seed %1.").arg(*seed_)
                          : "Each run is seeded from the time of day.");
}

}  // namespace strida::ui
