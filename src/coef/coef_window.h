#pragma once

#include <QWidget>
#include <array>

class QLineEdit;

namespace vernoll {

// "coeficientes": gain and offset boxes (a * Vo + b) for eight sensor inputs and eight
// auxiliary inputs. Nothing fills or reads the boxes; "Salir " closes the window and
// discards what was typed, so the next showing starts from the initial texts.
class CoefWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBoxes = 32;

    explicit CoefWindow(QWidget* parent = nullptr);

    // Text1 .. Text32, by their number.
    QLineEdit* box(int number) const { return boxes_.at(std::size_t(number - 1)); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void restoreInitialTexts();

    std::array<QLineEdit*, kBoxes> boxes_{};
};

}  // namespace vernoll
