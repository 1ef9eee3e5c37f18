// The map form's design: every control with its name, text and place. Positions follow the
// form's size (LayoutControls); the bars and floating panels lie over the map picture.
#include "Kordlin_Main.h"

#include "TiledMap.h"
#include "UiKit.h"
#include "lock/LockController.h"

#include <QComboBox>
#include <QGraphicsDropShadowEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zelto {

using namespace ui;

namespace {

template <class P = TPanel> P* panel(QWidget* parent, const char* name, int radius = 12) {
    auto* w = new P(parent, radius);
    w->setObjectName(QLatin1String(name));
    return w;
}

TTouchButton* iconButton(QWidget* parent, const char* name, IconKind icon, bool round = false) {
    auto* b = make<TTouchButton>(parent, name);
    b->setIconKind(icon);
    b->setRound(round);
    b->setFixedSize(TouchSize, TouchSize);
    return b;
}

TTouchButton* textButton(QWidget* parent, const char* name, const QString& text) {
    auto* b = make<TTouchButton>(parent, name);
    b->setText(text);
    b->setMinimumHeight(TouchSize);
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = make<QLabel>(parent, name);
    l->setTextFormat(Qt::PlainText); // labels show names and texts of the data: never markup
    l->setText(text);
    return l;
}

// A button made of a round rectangle and an image on it (the side buttons).
TTouchButton* rectWithImage(QWidget* parent, const char* rectName, const char* imageName, IconKind icon) {
    auto* rect = make<TTouchButton>(parent, rectName);
    rect->setRound(true);
    rect->setFixedSize(56, 56);
    auto* image = make<TIconImage>(rect, imageName, icon);
    image->setGeometry(16, 16, 24, 24);
    return rect;
}

// Shows a dark circle with the white ring of the GPS position.
class GpsCircle : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0x1e, 0x6f, 0xff), 2));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
};

// The scale bar and its end cap.
class ScaleBar : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), textColor());
    }
};

// The widget keeps its place in its layout while hidden.
void keepSizeWhenHidden(QWidget* w) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}

} // namespace

// The controls of the view navigation that the rest of the design does not make: the classic
// scale bar (three segments with tick labels, their shadows 10 pixels higher in black), the scale
// and centre read-outs of the classic bottom bar, the line highlight, the GPS arrow and the
// length and area read-outs of the line tools.
void TMainForm::CreateNavigationControls() {
    TMainForm& f = *this;
    auto segment = [&](const char* name, int x) {
        QWidget* r = make<ScaleBar>(f.ScaleLayout, name);
        r->setGeometry(x, 30, 50, 4);
        return r;
    };
    f.Rectangle1 = segment("Rectangle1", 12);
    f.Rectangle2 = segment("Rectangle2", 62);
    f.Rectangle3 = segment("Rectangle3", 112);
    auto tick = [&](const char* name, const QString& text, int x, int y, bool shadow) {
        QLabel* l = label(f.ScaleLayout, name, text);
        l->setGeometry(x, y, 48, 14);
        l->setStyleSheet(shadow ? QStringLiteral("font-size: 10px; color: black;")
                                : QStringLiteral("font-size: 10px;"));
        return l;
    };
    f.Text22 = tick("Text22", QStringLiteral("50"), 62, 4, true);
    f.Text33 = tick("Text33", QStringLiteral("100"), 112, 4, true);
    f.Text44 = tick("Text44", QStringLiteral("150"), 162, 4, true);
    f.Text55 = tick("Text55", QStringLiteral("m"), 162, 4, true);
    f.Text1 = tick("Text1", QStringLiteral("0"), 12, 14, false);
    f.Text2 = tick("Text2", QStringLiteral("50"), 62, 14, false);
    f.Text3 = tick("Text3", QStringLiteral("100"), 112, 14, false);
    f.Text4 = tick("Text4", QStringLiteral("150"), 162, 14, false);
    f.Text5 = tick("Text5", QStringLiteral("m"), 162, 14, false);

    f.l_jtsk = label(f.botbar, "l_jtsk", QString());
    f.l_jtsk->setGeometry(470, 0, 230, TouchSize);
    f.l_scale = label(f.botbar, "l_scale", QString());
    f.l_scale->setGeometry(710, 0, 150, TouchSize);

    f.GPath = make<QWidget>(&f, "GPath");
    f.GPath->setAttribute(Qt::WA_TransparentForMouseEvents);
    f.GPath->hide();
    f.gpscur = make<TIconImage>(&f, "gpscur", IconKind::Gps);
    f.gpscur->resize(36, 36);
    f.gpscur->hide();

    f.l_Text = label(&f, "l_Text", QString());
    f.l_Text->resize(420, 28);
    f.l_Text->hide();
}

void TMainForm::CreateToolControls() {
    // The line bar: the vertex buttons and the finish button; above it the read-out, the vertex
    // navigation and "Plocha polygonem".
    ks_EditLineLayout = panel(this, "ks_EditLineLayout");
    {
        auto* row = new QHBoxLayout(ks_EditLineLayout);
        row->setContentsMargins(8, 8, 8, 8);
        row->setSpacing(6);
        row->addWidget(textButton(ks_EditLineLayout, "b_SelectLinePoint", QStringLiteral("Výběr bodu")));
        row->addWidget(textButton(ks_EditLineLayout, "b_DeleteLinePoint", QStringLiteral("Zrušení bodu")));
        row->addWidget(textButton(ks_EditLineLayout, "b_AddLinePointGPS", QStringLiteral("Bod z GPS")));
        auto* finish = textButton(ks_EditLineLayout, "b_NewLine", QStringLiteral("Ukončit linii"));
        finish->setAccent(true);
        row->addWidget(finish);
    }
    auto* readout = panel(this, "ks_EditLineLayout_DelkaPlocha");
    {
        auto* v = new QVBoxLayout(readout);
        v->setContentsMargins(14, 6, 14, 6);
        v->setSpacing(0);
        ks_l_Delka = label(readout, "ks_l_Delka", QStringLiteral("0 m"));
        ks_l_Plocha = label(readout, "ks_l_Plocha", QStringLiteral("0,00 ha"));
        v->addWidget(ks_l_Delka);
        v->addWidget(ks_l_Plocha);
    }
    auto* vertices = panel(this, "ks_SelectLinePointLayout");
    {
        auto* row = new QHBoxLayout(vertices);
        row->setContentsMargins(6, 6, 6, 6);
        row->setSpacing(4);
        row->addWidget(textButton(vertices, "b_SelectLinePointFirst", QStringLiteral("|<")));
        row->addWidget(textButton(vertices, "b_SelectLinePointDown", QStringLiteral("<")));
        row->addWidget(textButton(vertices, "b_SelectLinePointUp", QStringLiteral(">")));
        row->addWidget(textButton(vertices, "b_SelectLinePointLast", QStringLiteral(">|")));
    }
    auto* quickArea = panel(this, "ks_QuickAreaLayout");
    {
        auto* row = new QHBoxLayout(quickArea);
        row->setContentsMargins(6, 6, 6, 6);
        row->addWidget(textButton(quickArea, "l_QuickArea", QStringLiteral("Plocha polygonem")));
    }
    auto* noteGps = panel(this, "ks_Note_Gps_Layout");
    {
        auto* row = new QHBoxLayout(noteGps);
        row->setContentsMargins(6, 6, 6, 6);
        row->addWidget(textButton(noteGps, "b_Note_Gps", QStringLiteral("Pozn. z GPS")));
    }

    // The point bar: the point kind, its colour, delete.
    ks_Point_Edit_Layout = panel(this, "ks_Point_Edit_Layout");
    {
        auto* row = new QHBoxLayout(ks_Point_Edit_Layout);
        row->setContentsMargins(8, 8, 8, 8);
        row->setSpacing(6);
        ks_Point_Edit_ComboBox = make<QComboBox>(ks_Point_Edit_Layout, "ks_Point_Edit_ComboBox");
        ks_Point_Edit_ComboBox->setMinimumWidth(220);
        row->addWidget(ks_Point_Edit_ComboBox, 1);
        auto* colour = make<TTouchButton>(ks_Point_Edit_Layout, "PointColorButton");
        colour->setFixedSize(TouchSize, TouchSize);
        row->addWidget(colour);
        row->addWidget(
            textButton(ks_Point_Edit_Layout, "ks_Point_Edit_Layout_Delete", QStringLiteral("Smazat")));
    }

    // The information callout: layer, caption, text, attachments, "Editovat" and "Vymazat". It
    // stands where the tap was, so it is placed by hand.
    ks_p_Note = panel(this, "ks_p_Note");
    {
        ks_p_Note->setFixedWidth(320);
        auto* v = new QVBoxLayout(ks_p_Note);
        v->setContentsMargins(12, 10, 12, 10);
        v->setSpacing(4);
        auto* layerRow = new QHBoxLayout;
        auto* circle = make<QWidget>(ks_p_Note, "ks_p_note_Layer_Circle");
        circle->setFixedSize(12, 12);
        layerRow->addWidget(circle);
        auto* layer = make<TTouchButton>(ks_p_Note, "ks_p_note_Layer");
        layer->setMinimumHeight(TouchSize);
        layerRow->addWidget(layer, 1);
        v->addLayout(layerRow);
        auto* caption = label(ks_p_Note, "ks_p_note_caption", QString());
        QFont bold = caption->font();
        bold.setBold(true);
        caption->setFont(bold);
        caption->setWordWrap(true);
        v->addWidget(caption);
        auto* text = label(ks_p_Note, "ks_p_note_text", QString());
        text->setWordWrap(true);
        v->addWidget(text);
        auto* detail = make<QWidget>(ks_p_Note, "ks_p_note_detail_Layout");
        {
            auto* row = new QHBoxLayout(detail);
            row->setContentsMargins(0, 0, 0, 0);
            row->addWidget(iconButton(detail, "ks_p_note_img", IconKind::Camera));
            row->addWidget(iconButton(detail, "ks_p_note_audio", IconKind::Speaker));
            row->addStretch(1);
        }
        v->addWidget(detail);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(textButton(ks_p_Note, "b_p_Note_Edit", QStringLiteral("Editovat")));
        buttons->addWidget(textButton(ks_p_Note, "b_p_note_Delete", QStringLiteral("Vymazat")));
        v->addLayout(buttons);
    }
    for (QWidget* w :
         {static_cast<QWidget*>(ks_EditLineLayout), static_cast<QWidget*>(readout),
          static_cast<QWidget*>(vertices), static_cast<QWidget*>(quickArea), static_cast<QWidget*>(noteGps),
          static_cast<QWidget*>(ks_Point_Edit_Layout), static_cast<QWidget*>(ks_p_Note)})
        w->hide();
}

QStringList TMainForm::MainMenuTexts() {
    return {QStringLiteral("  Nástroje"),  QStringLiteral("Zobrazení"),          QStringLiteral("  Vrstvy"),
            QStringLiteral("  Nastavení"), QStringLiteral("  Zamknout displej"), QStringLiteral("  Import")};
}

void TMainForm::CreateDesign() {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("MiniZelto"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(formStyleSheet());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    resize(1280, 800);
    setMinimumSize(480, 360);

    // The three pictures, bottom to top.
    Image = make<TImageControl>(this, "Image");
    Image->setAttribute(Qt::WA_OpaquePaintEvent); // the map picture covers its whole area
    Image_Edit_Detail = make<TImageControl>(this, "Image_Edit_Detail");
    Image_Edit_Detail->hide();
    Image_edit = make<TImageControl>(this, "Image_edit");
    gpsCursor = make<GpsCircle>(this, "gpsCursor");
    gpsCursor->setAttribute(Qt::WA_TransparentForMouseEvents);
    gpsCursor->resize(20, 20);
    gpsCursor->hide();
    ImageBakule = make<TIconImage>(this, "ImageBakule", IconKind::Marker);
    ImageBakule->resize(36, 36);
    ImageBakule->hide();
    Image_HicSuntLeones = make<TImageControl>(this, "Image_HicSuntLeones");
    Image_HicSuntLeones->resize(256, 256);
    Image_HicSuntLeones->hide();

    // Classic style: top bar, bottom bar, side panel, info, scale and GPS panels.
    topBar = panel(this, "topBar", 0);
    topBar->setFill(QColor(0, 0, 0, 204));
    {
        auto* row = new QHBoxLayout(topBar);
        row->setContentsMargins(4, 0, 4, 0);
        row->setSpacing(4);
        Image2 = iconButton(topBar, "Image2", IconKind::OpenFolder);
        b_OpenProject = textButton(topBar, "b_OpenProject", QStringLiteral("Otevřít projekt"));
        b_FindLHC = iconButton(topBar, "b_FindLHC", IconKind::Search);
        b_HK = textButton(topBar, "b_HK", QStringLiteral("hk"));
        Button4 = textButton(topBar, "Button4", QStringLiteral("GPS"));
        b_Main = iconButton(topBar, "b_Main", IconKind::Back);
        Image4 = iconButton(topBar, "Image4", IconKind::Logo);
        b_Menu = iconButton(topBar, "b_Menu", IconKind::Menu);
        for (QWidget* w :
             {static_cast<QWidget*>(Image2), static_cast<QWidget*>(b_OpenProject),
              static_cast<QWidget*>(b_FindLHC), static_cast<QWidget*>(b_HK), static_cast<QWidget*>(Button4)})
            row->addWidget(w);
        row->addStretch();
        row->addWidget(b_Main);
        row->addWidget(Image4);
        row->addWidget(b_Menu);
    }
    ktopbar = panel(this, "ktopbar", 0);
    {
        auto* row = new QHBoxLayout(ktopbar);
        row->setContentsMargins(4, 0, 4, 0);
        b_Settings2 = iconButton(ktopbar, "b_Settings2", IconKind::Settings);
        Button21 = textButton(ktopbar, "Button21", QStringLiteral("hk"));
        ktopbarunvisible = iconButton(ktopbar, "ktopbarunvisible", IconKind::ArrowUp);
        row->addWidget(b_Settings2);
        row->addWidget(Button21);
        row->addStretch();
        row->addWidget(ktopbarunvisible);
    }
    botbar = panel(this, "botbar", 0);
    l_gps = label(botbar, "l_gps", QStringLiteral("gps neni zapnuta"));
    l_JPRL = label(botbar, "l_JPRL", QString());
    b_Settings = iconButton(botbar, "b_Settings", IconKind::Settings);
    b_Settings->move(1200, 0);
    botbarunvisible = iconButton(botbar, "botbarunvisible", IconKind::ArrowDown);
    topbarvisible = iconButton(this, "topbarvisible", IconKind::ArrowDown, true);
    botbarvisible = iconButton(this, "botbarvisible", IconKind::ArrowUp, true);
    topbarvisible->hide();
    botbarvisible->hide();

    Panel1 = panel(this, "Panel1", 28);
    {
        auto* column = new QVBoxLayout(Panel1);
        column->setContentsMargins(4, 4, 4, 4);
        column->addWidget(b_plus = iconButton(Panel1, "b_plus", IconKind::Plus));
        column->addWidget(b_Minus = iconButton(Panel1, "b_Minus", IconKind::Minus));
        column->addWidget(iconButton(Panel1, "b_Hand", IconKind::Hand));
        column->addWidget(iconButton(Panel1, "b_Tools", IconKind::Tools));
    }
    InfoLayout = panel(this, "InfoLayout");
    {
        auto* row = new QHBoxLayout(InfoLayout);
        row->setContentsMargins(12, 0, 12, 0);
        l_JPRLs = label(InfoLayout, "l_JPRLs", QString());
        row->addWidget(l_JPRLs);
    }
    ScaleLayout = panel(this, "ScaleLayout");
    GPSLayout = panel(this, "GPSLayout", 32);
    {
        auto* row = new QHBoxLayout(GPSLayout);
        row->setContentsMargins(8, 8, 8, 8);
        row->addWidget(iconButton(GPSLayout, "b_gpss", IconKind::Gps, true));
    }

    // The alternative style: floating panels over the map.
    Layout_SideButtons = panel(this, "Layout_SideButtons", 32);
    {
        auto* column = new QVBoxLayout(Layout_SideButtons);
        column->setContentsMargins(4, 6, 4, 6);
        column->setSpacing(4);
        column->addWidget(plus_rect =
                              rectWithImage(Layout_SideButtons, "plus_rect", "plus_img", IconKind::Plus));
        column->addWidget(minus_rect =
                              rectWithImage(Layout_SideButtons, "minus_rect", "minus_img", IconKind::Minus));
        plus_img = plus_rect->findChild<QWidget*>(QStringLiteral("plus_img"));
        minus_img = minus_rect->findChild<QWidget*>(QStringLiteral("minus_img"));
        column->addWidget(rectWithImage(Layout_SideButtons, "hand_rect", "hand_img", IconKind::Hand));
        column->addWidget(rectWithImage(Layout_SideButtons, "tools_rect", "tools_img", IconKind::Tools));
    }
    ks_InfoLayout = panel(this, "ks_InfoLayout", 14);
    {
        auto* row = new QHBoxLayout(ks_InfoLayout);
        row->setContentsMargins(4, 4, 4, 4);
        row->setSpacing(2);
        ks_InfoLayout_MenuRect = make<TTouchButton>(ks_InfoLayout, "ks_InfoLayout_MenuRect");
        ks_InfoLayout_MenuRect->setFixedSize(TouchSize, TouchSize);
        ks_InfoLayout_MenuImage =
            make<TIconImage>(ks_InfoLayout_MenuRect, "ks_InfoLayout_MenuImage", IconKind::Menu);
        ks_InfoLayout_MenuImage->setGeometry(12, 12, 24, 24);
        ks_l_JPRLs = label(ks_InfoLayout, "ks_l_JPRLs", QString());
        ks_l_JPRLs->hide(); // shown with a unit label (ShowUnitLabel)
        kb_FindLHC = iconButton(ks_InfoLayout, "kb_FindLHC", IconKind::Search);
        kb_HK = iconButton(ks_InfoLayout, "kb_HK", IconKind::HandOver);
        row->addWidget(ks_InfoLayout_MenuRect);
        row->addWidget(ks_l_JPRLs);
        row->addWidget(kb_FindLHC);
        row->addWidget(kb_HK);
    }
    ks_ActionLayout = panel(this, "ks_ActionLayout", 14);
    {
        auto* row = new QHBoxLayout(ks_ActionLayout);
        row->setContentsMargins(4, 4, 12, 4);
        ks_ActionLayout_Rect = iconButton(ks_ActionLayout, "ks_ActionLayout_Rect", IconKind::Tools);
        ks_l_Caption = label(ks_ActionLayout, "ks_l_Caption", QString());
        ks_l_layer = label(ks_ActionLayout, "ks_l_layer", QString());
        row->addWidget(ks_ActionLayout_Rect);
        row->addWidget(ks_l_Caption);
        row->addWidget(ks_l_layer, 1);
    }
    ks_ActionLayout->hide();
    // Design positions of the information and action bars: below the screen's edge by 16.
    ks_InfoLayout->move(16, 16);
    ks_ActionLayout->setGeometry(0, 16, 320, 56);
    ks_ScaleLayOut = panel(this, "ks_ScaleLayOut", 10);
    ks_Scale_R = make<ScaleBar>(ks_ScaleLayOut, "ks_Scale_R");
    ks_Scale_R2 = make<ScaleBar>(ks_ScaleLayOut, "ks_Scale_R2");
    ks_l_Scale = label(ks_ScaleLayOut, "ks_l_Scale", QString());
    ks_Scale_R->setGeometry(12, 24, 100, 3);
    ks_Scale_R2->setGeometry(111, 16, 3, 11);
    ks_l_Scale->setGeometry(120, 6, 88, 28);
    Layout_gps = panel(this, "Layout_gps", 36);
    {
        auto* row = new QHBoxLayout(Layout_gps);
        row->setContentsMargins(4, 4, 4, 4);
        kButton4 = make<TTouchButton>(Layout_gps, "kButton4");
        kButton4->setRound(true);
        kButton4->setText(QStringLiteral("GPS"));
        kButton4->setFixedSize(64, 64);
        row->addWidget(kButton4);
    }

    // The route panel: the recording lamp, start and stop.
    p_gpslog = panel(this, "p_gpslog", 16);
    {
        auto* row = new QHBoxLayout(p_gpslog);
        row->setContentsMargins(12, 6, 6, 6);
        auto* diode = make<QWidget>(p_gpslog, "diode");
        diode->setFixedSize(18, 18);
        diode->setStyleSheet(QStringLiteral("background: #e53935; border-radius: 9px;"));
        row->addWidget(diode);
        row->addWidget(textButton(p_gpslog, "b_StartRoute", QStringLiteral("Start")));
        row->addWidget(textButton(p_gpslog, "b_endRoute", QStringLiteral("Stop")));
    }
    p_gpslog->hide();

    // Forest unit search.
    p_Find_Layout = panel(this, "p_Find_Layout", 16);
    {
        auto* grid = new QGridLayout(p_Find_Layout);
        grid->setContentsMargins(16, 12, 12, 16);
        grid->setHorizontalSpacing(8);
        const char* names[] = {"ed_odd", "ed_Dil", "ed_por", "ed_PSK"};
        const char* buttons[] = {"Button9", "Button10", "Button11", "Button12"};
        const QString captions[] = {QStringLiteral("Oddělení"), QStringLiteral("Dílec"),
                                    QStringLiteral("Porost"), QStringLiteral("Skupina")};
        QComboBox** combos[] = {&ed_odd, &ed_Dil, &ed_por, &ed_PSK};
        for (int i = 0; i < 4; ++i) {
            auto* caption = make<QLabel>(p_Find_Layout, (std::string("l_") + names[i]).c_str());
            caption->setText(captions[i]);
            *combos[i] = make<QComboBox>(p_Find_Layout, names[i]);
            (*combos[i])->setPlaceholderText(captions[i]);
            grid->addWidget(caption, i, 0);
            grid->addWidget(*combos[i], i, 1);
            grid->addWidget(iconButton(p_Find_Layout, buttons[i], IconKind::Search), i, 2);
        }
        grid->addWidget(iconButton(p_Find_Layout, "Button8", IconKind::Close), 0, 3);
        grid->setColumnStretch(1, 1);
    }
    p_Find_Layout->hide();

    // Tool panels.
    p_Note = panel(this, "p_Note");
    p_Note->resize(360, 72);
    p_Note->hide();
    Point_Edit_Layout = panel(this, "Point_Edit_Layout");
    Point_Edit_ComboBox = make<QComboBox>(Point_Edit_Layout, "Point_Edit_ComboBox");
    Point_Edit_Layout->resize(360, 72);
    Point_Edit_Layout->hide();
    Point_Edit_ComboBox->setGeometry(12, 12, 336, 48);
    CreateToolControls();

    // Colour pick list.
    ColorPopup = panel(this, "ColorPopup", 12);
    ColorPopup->resize(177, 321);
    ColorListBox = make<QListWidget>(ColorPopup, "ColorListBox");
    ColorListBox->setGeometry(4, 4, 169, 313);
    ColorPopup->hide();

    // Progress display.
    l_Progress = label(this, "l_Progress", QString());
    l_Progress->setAlignment(Qt::AlignCenter);
    l_Progress->setAttribute(Qt::WA_TransparentForMouseEvents);
    {
        // White text with a black glow stays readable over any map.
        auto* glow = new QGraphicsDropShadowEffect(l_Progress);
        glow->setOffset(0, 0);
        glow->setBlurRadius(10);
        glow->setColor(Qt::black);
        l_Progress->setGraphicsEffect(glow);
    }
    l_Progress->hide();
    ProgressBar = make<QProgressBar>(this, "ProgressBar");
    ProgressBar->setTextVisible(false);
    ProgressBar->hide();
    AniIndicator = make<TBusyIndicator>(this, "AniIndicator");
    AniIndicator->resize(50, 50);
    AniIndicator->hide();

    // The menu drawer with its dimming cover.
    MultiViewCover = panel<TClickPanel>(this, "MultiViewCover", 0);
    MultiViewCover->setFill(QColor(0, 0, 0, 110));
    MultiViewCover->hide();
    MultiView = panel(this, "MultiView", 0);
    MultiView->setFill(drawerColor());
    MultiView->hide();
    {
        auto* column = new QVBoxLayout(MultiView);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        Rect_Menu = panel<TClickPanel>(MultiView, "Rect_Menu", 0);
        Rect_Menu->setFill(QColor(255, 255, 255, 14));
        Rect_Menu->setFixedHeight(56);
        Rect_Menu->setCursor(Qt::PointingHandCursor);
        auto* strip = new QHBoxLayout(Rect_Menu);
        strip->setContentsMargins(16, 0, 16, 0);
        Label30 = label(Rect_Menu, "Label30", QStringLiteral("<"));
        Label29 = label(Rect_Menu, "Label29", QStringLiteral("Menu"));
        strip->addWidget(Label30);
        strip->addSpacing(12);
        strip->addWidget(Label29, 1);
        column->addWidget(Rect_Menu);

        tabc = make<QTabWidget>(MultiView, "tabc");
        tabc->tabBar()->hide();
        tabc->setDocumentMode(true);
        column->addWidget(tabc, 1);

        tab_main = make<QWidget>(tabc, "tab_main");
        {
            auto* v = new QVBoxLayout(tab_main);
            v->setContentsMargins(12, 16, 12, 12);
            v->setSpacing(8);
            LayoutMain = make<QWidget>(tab_main, "LayoutMain");
            auto* main = new QVBoxLayout(LayoutMain);
            main->setContentsMargins(0, 0, 0, 0);
            main->setSpacing(6);
            kb_OpenProject = textButton(LayoutMain, "kb_OpenProject", QStringLiteral("Otevřít projekt"));
            kb_OpenProject->setIconKind(IconKind::OpenFolder);
            kb_OpenProject->setAccent(true);
            main->addWidget(kb_OpenProject);
            MainListBox = make<QListWidget>(LayoutMain, "MainListBox");
            MainListBox->setIconSize(QSize(24, 24));
            MainListBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            const QStringList texts = MainMenuTexts();
            for (int i = 0; i < texts.size(); ++i) {
                auto* item = new QListWidgetItem(texts[i], MainListBox);
                item->setSizeHint(QSize(0, 52));
                item->setData(Qt::UserRole, QStringLiteral("ListBoxItem%1").arg(i + 1));
                if (i == 1) item->setHidden(true); // "Zobrazení" is reached through the view switches only
            }
            // The list is as high as its shown rows.
            MainListBox->setFixedHeight(52 * (int(texts.size()) - 1) + 4);
            main->addWidget(MainListBox);
            v->addWidget(LayoutMain);
            v->addWidget(label(tab_main, "l_MapList", QStringLiteral("ZOBRAZIT MAPU :")));
            MapListBox = make<QListWidget>(tab_main, "MapListBox");
            v->addWidget(MapListBox, 1);
            kb_Close = textButton(tab_main, "kb_Close", QStringLiteral("Zavřít"));
            kb_Close->setIconKind(IconKind::Close);
            kb_Close->hide();
            v->addWidget(kb_Close);
        }
        tab_layers = make<QWidget>(tabc, "tab_layers");
        {
            auto* v = new QVBoxLayout(tab_layers);
            v->setContentsMargins(12, 12, 12, 12);
            v->addWidget(label(tab_layers, "l_ActiveLayer", QStringLiteral("AKTIVNÍ VRSTVA :")));
            ActiveLayerCombo = make<QComboBox>(tab_layers, "ActiveLayerCombo");
            v->addWidget(ActiveLayerCombo);
            ListBox_Layers = make<QListWidget>(tab_layers, "ListBox_Layers");
            ListBox_Layers->setIconSize(QSize(20, 20));
            ListBox_Layers->setItemDelegate(new TDetailItemDelegate(ListBox_Layers));
            // The detail panel of one layer: caption, colour, contents, and what can be done.
            tab_layers_Layout = make<QWidget>(tab_layers, "tab_layers_Layout");
            tab_layers_Layout->hide();
            {
                auto* d = new QVBoxLayout(tab_layers_Layout);
                d->setContentsMargins(0, 0, 0, 0);
                auto* name = make<QLineEdit>(tab_layers_Layout, "tab_Layers_edit_LayerName");
                name->setReadOnly(true);
                d->addWidget(name);
                d->addWidget(make<QComboBox>(tab_layers_Layout, "tab_Layers_ComboColor"));
                auto* detail = label(tab_layers_Layout, "tab_Layers_LayerDetail", QString());
                detail->setWordWrap(true);
                detail->setTextFormat(Qt::PlainText);
                d->addWidget(detail);
                d->addWidget(textButton(tab_layers_Layout, "Button7", QStringLiteral("Zobrazit detaily")));
                d->addWidget(
                    textButton(tab_layers_Layout, "b_DeleteLayer", QStringLiteral("Odstranit vrstvu")));
                d->addWidget(textButton(tab_layers_Layout, "b_ExportGPX", QStringLiteral("Export GPX")));
                d->addWidget(textButton(tab_layers_Layout, "Button15", QStringLiteral("Zpět na vrstvy")));
                d->addStretch();
            }
            v->addWidget(ListBox_Layers, 1);
            v->addWidget(tab_layers_Layout, 1);
        }
        tab_Tools = make<QWidget>(tabc, "tab_Tools");
        {
            auto* v = new QVBoxLayout(tab_Tools);
            v->setContentsMargins(0, 8, 0, 8);
            v->addWidget(make<QListWidget>(tab_Tools, "ToolsListBox"), 1);
        }
        tab_view = make<QWidget>(tabc, "tab_view");
        {
            auto* v = new QVBoxLayout(tab_view);
            v->setContentsMargins(12, 12, 12, 12);
            v->setSpacing(8);
            MapCombo = make<QComboBox>(tab_view, "MapCombo");
            v->addWidget(MapCombo);
            TabViewLayout = make<QWidget>(tab_view, "TabViewLayout");
            auto* switches = new QVBoxLayout(TabViewLayout);
            switches->setContentsMargins(0, 0, 0, 0);
            cb_botbar = make<TSwitch>(TabViewLayout, "cb_botbar", QStringLiteral("Zobr. dolní panel"));
            cb_topbar = make<TSwitch>(TabViewLayout, "cb_topbar", QStringLiteral("Zobr. horní panel"));
            cb_TopBarMargin =
                make<TSwitch>(TabViewLayout, "cb_TopBarMargin", QStringLiteral("Odsadit h. panel"));
            cb_botbar->setChecked(true);
            cb_topbar->setChecked(true);
            for (TSwitch* s : {cb_botbar, cb_topbar, cb_TopBarMargin}) switches->addWidget(s);
            v->addWidget(TabViewLayout);
            v->addStretch();
        }
        tab_Options = make<QWidget>(tabc, "tab_Options");
        {
            auto* v = new QVBoxLayout(tab_Options);
            v->setContentsMargins(0, 8, 0, 12);
            v->setSpacing(0);
            v->addWidget(label(tab_Options, "l_OptionsHeader", QStringLiteral("NASTAVENÍ")));
            cb_jprl = make<TSwitch>(tab_Options, "cb_jprl", QStringLiteral("JPRL v ploše"));
            cb_jprl->setChecked(true);
            v->addWidget(cb_jprl);
            v->addWidget(label(tab_Options, "l_OptionsPick", QStringLiteral("Vybírat klepnutím:")));
            cb_Line = make<TSwitch>(tab_Options, "cb_Line", QStringLiteral("Viditelné Linie"));
            cb_Note = make<TSwitch>(tab_Options, "cb_Note", QStringLiteral("Poznámky"));
            cb_Line->setChecked(true);
            cb_Note->setChecked(true);
            v->addWidget(cb_Line);
            v->addWidget(cb_Note);
            auto* gpsRow = new QHBoxLayout;
            gpsRow->setContentsMargins(16, 0, 0, 0);
            l_cb_GPS = label(tab_Options, "l_cb_GPS", QStringLiteral("Zapnout GPS"));
            cb_GPS = make<TSwitch>(tab_Options, "cb_GPS", QString());
            gpsRow->addWidget(l_cb_GPS, 1);
            gpsRow->addWidget(cb_GPS);
            v->addLayout(gpsRow);
            auto* trace = textButton(tab_Options, "b_TraceRoute", QStringLiteral("Trasování GPS"));
            v->addWidget(trace);
            v->addStretch();
        }
        tabc->addTab(tab_main, QStringLiteral("Menu"));
        tabc->addTab(tab_layers, QStringLiteral("Vrstvy"));
        tabc->addTab(tab_Tools, QStringLiteral("Nástroje"));
        tabc->addTab(tab_view, QStringLiteral("Zobrazení"));
        tabc->addTab(tab_Options, QStringLiteral("Nastavení"));
    }

    // The display lock: the shield over the whole form and the centred message (hidden).
    {
        const TLockWidgets lock = BuildLockWidgets(this);
        LockPanel = lock.LockPanel;
        LockLayout = lock.LockLayout;
        Locktext = lock.Locktext;
    }

    // The logo at the top right corner (hidden in the alternative style); a click toggles the
    // top bar.
    Image_Logo = iconButton(this, "Image_Logo", IconKind::Logo);
    Image_Logo->setFixedSize(81, 81);

    // The embedded frames, hidden until they are needed.
    _Frames = make<QWidget>(this, "_Frames");
    for (const char* name : {"Kordlin_Notes_Frame", "Note_Dialog", "fmx_AreaDialog", "Superdialog"}) {
        auto* frame = make<QWidget>(_Frames, name);
        frame->hide();
        frame->installEventFilter(this);
    }
    _Frames->hide();

    ZoomTimer = make<QTimer>(this, "ZoomTimer");
    ZoomTimer->setInterval(500);
    LockTimer = make<QTimer>(this, "LockTimer");
    LockTimer->setInterval(2000);
    FixTimer = make<QTimer>(this, "FixTimer");
    FixTimer->setInterval(1000);

    ImageList_Main_ks = {makeIcon(IconKind::Tools),    makeIcon(IconKind::View), makeIcon(IconKind::Layers),
                         makeIcon(IconKind::Settings), makeIcon(IconKind::Lock), makeIcon(IconKind::Import)};

    // View navigation.
    CreateNavigationControls();

    CreateLayouts();
    LayoutControls();
}

// The form's layouts, in logical pixels (Qt scales them with the screen's pixel ratio): the map
// picture and its overlays fill the form; the floating panels keep to the corners and edges of a
// margin of 16 pixels, whatever the window's size. The bars, the information and action bars and
// the drawer are placed by LayoutControls, since the bars controller and the drawer move them.
void TMainForm::CreateLayouts() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    // A layout leaves hidden widgets alone; the layers and frames that come and go keep the form's
    // size all the same.
    for (QWidget* layer :
         {static_cast<QWidget*>(Image), static_cast<QWidget*>(Image_Edit_Detail),
          static_cast<QWidget*>(Image_edit), static_cast<QWidget*>(MultiViewCover), _Frames}) {
        keepSizeWhenHidden(layer);
        grid->addWidget(layer, 0, 0);
    }
    grid->addWidget(Image_Logo, 0, 0, Qt::AlignTop | Qt::AlignRight);

    // The frames fill their container.
    auto* frames = new QGridLayout(_Frames);
    frames->setContentsMargins(0, 0, 0, 0);
    for (QObject* child : _Frames->children())
        if (auto* frame = qobject_cast<QWidget*>(child)) {
            keepSizeWhenHidden(frame);
            frames->addWidget(frame, 0, 0);
        }

    // The floating panels: a 3 x 3 grid of corners, edges and the middle.
    auto* hud = new QGridLayout;
    hud->setContentsMargins(FloatMargin, FloatMargin, FloatMargin, FloatMargin);
    hud->setSpacing(0);
    hud->setRowStretch(1, 1);
    hud->setColumnStretch(1, 1);
    grid->addLayout(hud, 0, 0);
    // Top centre: the forest unit search, below the bars.
    auto* find = new QVBoxLayout;
    find->addSpacing(TouchSize + FloatMargin);
    find->addWidget(p_Find_Layout, 0, Qt::AlignHCenter);
    p_Find_Layout->setMinimumWidth(420);
    hud->addLayout(find, 0, 1, Qt::AlignTop);
    // Right, in the middle of the form: the side buttons of both styles, the colour pick list
    // beside them.
    auto* side = new QHBoxLayout;
    side->setSpacing(0);
    side->addWidget(ColorPopup, 0, Qt::AlignVCenter);
    side->addSpacing(ColorPopupGap);
    side->addWidget(Layout_SideButtons, 0, Qt::AlignVCenter);
    side->addWidget(Panel1, 0, Qt::AlignVCenter);
    side->addSpacing(FloatMargin);
    grid->addLayout(side, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    // Bottom left: the scale bar; bottom right: the GPS button (the classic ones above their bar).
    hud->addWidget(ks_ScaleLayOut, 2, 0, Qt::AlignLeft | Qt::AlignBottom);
    hud->addWidget(Layout_gps, 2, 2, Qt::AlignRight | Qt::AlignBottom);
    // Bottom centre: the route panel.
    hud->addWidget(p_gpslog, 2, 1, Qt::AlignHCenter | Qt::AlignBottom);
    auto* classicLeft = new QVBoxLayout;
    classicLeft->addWidget(ScaleLayout);
    classicLeft->addSpacing(TouchSize);
    hud->addLayout(classicLeft, 2, 0, Qt::AlignLeft | Qt::AlignBottom);
    auto* classicRight = new QVBoxLayout;
    classicRight->addWidget(GPSLayout);
    classicRight->addSpacing(TouchSize);
    hud->addLayout(classicRight, 2, 2, Qt::AlignRight | Qt::AlignBottom);
    // Bottom centre: the tool panels (one at a time) and the progress display above them.
    auto* bottom = new QVBoxLayout;
    bottom->setSpacing(8);
    bottom->addWidget(l_Progress);
    bottom->addWidget(AniIndicator, 0, Qt::AlignHCenter);
    auto* bar = new QHBoxLayout;
    bar->addStretch(1);
    bar->addWidget(ProgressBar, 2);
    bar->addStretch(1);
    bottom->addLayout(bar);
    bottom->addSpacing(FloatMargin);
    // Above the tool bars: the line read-out and the vertex navigation, the area and note buttons.
    auto* above = new QHBoxLayout;
    above->setSpacing(8);
    above->addStretch(1);
    for (const char* name : {"ks_EditLineLayout_DelkaPlocha", "ks_SelectLinePointLayout",
                             "ks_QuickAreaLayout", "ks_Note_Gps_Layout"})
        above->addWidget(findChild<QWidget*>(QLatin1String(name)), 0, Qt::AlignBottom);
    above->addStretch(1);
    bottom->addLayout(above);
    auto* panels = new QGridLayout;
    for (QWidget* w : {static_cast<QWidget*>(ks_EditLineLayout), static_cast<QWidget*>(Point_Edit_Layout),
                       static_cast<QWidget*>(ks_Point_Edit_Layout)})
        panels->addWidget(w, 0, 0, Qt::AlignHCenter | Qt::AlignBottom);
    bottom->addLayout(panels);
    hud->addLayout(bottom, 2, 1, Qt::AlignBottom);
    // The progress display keeps its place while parts of it come and go.
    for (QWidget* w : {static_cast<QWidget*>(l_Progress), static_cast<QWidget*>(AniIndicator),
                       static_cast<QWidget*>(ProgressBar)})
        keepSizeWhenHidden(w);
    l_Progress->setMinimumHeight(40);
    ProgressBar->setFixedHeight(10);
    for (QWidget* w : {static_cast<QWidget*>(p_Note), static_cast<QWidget*>(Point_Edit_Layout)})
        w->setFixedSize(w->size());
    ColorPopup->setFixedSize(ColorPopup->size());
    // Panels whose contents are placed by hand have no size of their own to offer.
    ks_ScaleLayOut->setFixedSize(220, 40);
    ScaleLayout->setFixedSize(220, 40);
    AniIndicator->setFixedSize(50, 50);
    // Laid out now, not on the first show: a form used hidden (a host's map on the background)
    // has its picture at the form's size as well.
    grid->activate();
}

void TMainForm::LayoutControls() {
    // What the layouts leave: the bars and the information and action bars, which the bars
    // controller moves up and down with the top bar, and the drawer, which slides.
    const int W = width(), H = height();
    // A hidden widget gets its resize only when shown: the frames follow the form at once.
    if (QLayout* frames = _Frames->layout()) frames->setGeometry(_Frames->rect());
    topBar->setGeometry(0, TopBarMargin(), W, TouchSize);
    ktopbar->setGeometry(0, 0, W, TouchSize);
    botbar->setGeometry(0, H - TouchSize, W, TouchSize);
    l_gps->setGeometry(12, 0, 240, TouchSize);
    l_JPRL->setGeometry(260, 0, 200, TouchSize);
    botbarunvisible->move(W - TouchSize - 4, 0);
    topbarvisible->move((W - TouchSize) / 2, 0);
    botbarvisible->move((W - TouchSize) / 2, H - TouchSize);

    // The information and action bars keep their vertical place (the top bar moves them).
    const QSize info = ks_InfoLayout->sizeHint();
    ks_InfoLayout->setGeometry(FloatMargin, ks_InfoLayout->y(), info.width(), 56);
    InfoLayout->setGeometry(8, ks_InfoLayout->y(), 300, TouchSize);
    ks_ActionLayout->setGeometry(ks_InfoLayout->geometry().right() + 9, ks_InfoLayout->y(),
                                 ks_ActionLayout->width(), 56);
    PositionDrawer(m_drawerOpen);
}

void TMainForm::LayoutActionBar() {
    const int width = std::min(Image->width() - ks_ActionLayout->x() - 10 - Layout_gps->width(), 400);
    ks_ActionLayout->resize(std::max(width, 0), ks_ActionLayout->height());
}

} // namespace zelto
