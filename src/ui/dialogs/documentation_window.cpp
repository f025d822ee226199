// Documentation window (Treadme): the memo with the description of the script file.
#include "ui/dialogs/documentation_window.h"

#include <QIcon>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/common/texts.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_texts.h"
#include "ui/dialogs/modal_result.h"

namespace tunelet::ui {

DocumentationWindow::DocumentationWindow(QWidget *owner)
    : DialogWithoutCancel(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                     Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint) {
    setObjectName(QStringLiteral("readme"));
    setWindowTitle(texts::kDocumentationCaption);
    setWindowIcon(QIcon(QStringLiteral(":/app/readme_cubes.xpm")));
    // The frame's top left corner at 201, 110; the size is the client area's.
    move(201, 110);
    placeFrame([](QSize) { return QPoint(201, 110); });
    resize(280, 280);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    // The continuation lines are indented with spaces to stand under the text they
    // continue, which needs SimSun's columns: Latin letters half as wide as Chinese ones.
    // WenQuanYi's monospaced face keeps those columns where SimSun is missing.
    QFont font = songFont();
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("WenQuanYi Micro Hei Mono")});
    Memo1->setFont(font);
    QPalette colours = Memo1->palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::ToolTipBase));
    colours.setColor(QPalette::Text, Qt::blue);
    Memo1->setPalette(colours);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setPlainText(texts::kDocumentationLines.join(QLatin1Char('\n')));

    auto *fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(Memo1);
}

} // namespace tunelet::ui
