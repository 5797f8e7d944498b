#include "ui/PreviewWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QVBoxLayout>
#include <functional>

#include "ui/QtText.h"

namespace twinlens::ui {

namespace {

// The picture, as large as fits with its shape kept, on black.
class Canvas : public QWidget {
 public:
  Canvas(const QImage& picture, window::PreviewModel& model) : picture_(picture), model_(model) {
    setObjectName(QStringLiteral("Image_Preview"));
    setMinimumSize(320, 180);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (picture_.isNull()) return;
    const QSize fitted = picture_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect where(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                      fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(where, picture_);
  }

  // The picture is rendered no larger than the room it has.
  void resizeEvent(QResizeEvent*) override {
    const qreal scale = devicePixelRatioF();
    model_.setPictureBox(static_cast<int>(width() * scale), static_cast<int>(height() * scale));
  }

 private:
  const QImage& picture_;
  window::PreviewModel& model_;
};

QLabel* wrappedLabel(const char* name) {
  auto* label = new QLabel;
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

PreviewWindow::PreviewWindow(window::PreviewModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model) {
  setObjectName(QStringLiteral("PreviewForm"));
  setWindowTitle(QStringLiteral("Preview"));
  canvas_ = new Canvas(picture_, model_);
  slider_ = new QSlider(Qt::Horizontal);
  slider_->setObjectName(QStringLiteral("TrackBar_Frame"));
  slider_->setToolTip(QStringLiteral("The frame of the clip's output"));
  mode_ = new QComboBox;
  mode_->setObjectName(QStringLiteral("ComboBox_Preview_Mode"));
  for (const char* name : window::PreviewModel::modeNames())
    mode_->addItem(QString::fromLatin1(name));
  const auto lookSlider = [](const char* name, int most, const char* hint) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setRange(-most, most);
    slider->setToolTip(QString::fromLatin1(hint));
    return slider;
  };
  yaw_ = lookSlider("TrackBar_Yaw", window::PreviewModel::kMostYawDeg,
                    "Where the headset view looks: degrees to the right (left below 0)");
  pitch_ = lookSlider("TrackBar_Pitch", window::PreviewModel::kMostPitchDeg,
                      "Where the headset view looks: degrees up (down below 0)");
  look_ = new QWidget;
  auto* look = new QHBoxLayout(look_);
  look->setContentsMargins(0, 0, 0, 0);
  look->addWidget(new QLabel(QStringLiteral("Yaw")));
  look->addWidget(yaw_, 1);
  look->addWidget(new QLabel(QStringLiteral("Pitch")));
  look->addWidget(pitch_, 1);
  const auto button = [](const char* name, const QString& caption, const char* hint) {
    auto* made = new QPushButton(caption);
    made->setObjectName(QString::fromLatin1(name));
    made->setToolTip(QString::fromLatin1(hint));
    made->setFocusPolicy(Qt::NoFocus);  // the space bar and the arrows stay the window's
    return made;
  };
  auto* back =
      button("Button_Preview_Back", QStringLiteral("\u25C0\u2759"), "One frame back (Left arrow)");
  play_ = button("Button_Preview_Play", QStringLiteral("Play"), "Play or pause (Space)");
  auto* forward = button("Button_Preview_Forward", QStringLiteral("\u2759\u25B6"),
                         "One frame forward (Right arrow)");
  choose_ = new QPushButton(QStringLiteral("Choose clip..."));
  choose_->setObjectName(QStringLiteral("Button_Preview_Clip"));
  clip_ = wrappedLabel("Label_Preview_Clip");
  figures_ = wrappedLabel("Label_Preview_Figures");
  message_ = wrappedLabel("Label_Preview_Message");

  auto* controls = new QHBoxLayout;
  controls->addWidget(back);
  controls->addWidget(play_);
  controls->addWidget(forward);
  controls->addWidget(slider_, 1);
  controls->addWidget(mode_);
  controls->addWidget(choose_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(canvas_, 1);
  layout->addLayout(controls);
  layout->addWidget(look_);
  layout->addWidget(clip_);
  layout->addWidget(figures_);
  layout->addWidget(message_);
  resize(720, 520);

  connect(slider_, &QSlider::valueChanged, this, [this](int frame) {
    if (!updating_) model_.setFrame(frame);
  });
  connect(mode_, &QComboBox::currentIndexChanged, this, [this](int mode) {
    if (!updating_) model_.setMode(mode);
  });
  for (QSlider* slider : {yaw_, pitch_}) {
    connect(slider, &QSlider::valueChanged, this, [this] {
      if (!updating_) model_.setLook(yaw_->value(), pitch_->value());
    });
  }
  connect(choose_, &QPushButton::clicked, this, [this] { model_.Button_Preview_ClipClick(); });
  connect(play_, &QPushButton::clicked, this, [this] { model_.Button_Preview_PlayClick(); });
  connect(back, &QPushButton::clicked, this, [this] { model_.Button_Preview_StepClick(-1); });
  connect(forward, &QPushButton::clicked, this, [this] { model_.Button_Preview_StepClick(1); });
  // The keys work wherever the focus is in the window, the slider's too.
  const std::pair<QKeySequence, std::function<void()>> keys[] = {
      {QKeySequence(Qt::Key_Space), [this] { model_.Button_Preview_PlayClick(); }},
      {QKeySequence(Qt::Key_Left), [this] { model_.Button_Preview_StepClick(-1); }},
      {QKeySequence(Qt::Key_Right), [this] { model_.Button_Preview_StepClick(1); }},
  };
  for (const auto& [key, action] : keys) {
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, this, action);
  }
}

// Nothing plays on into the sound output that goes with the window.
PreviewWindow::~PreviewWindow() {
  model_.closed();
}

void PreviewWindow::showState(const window::PreviewState& state) {
  updating_ = true;
  slider_->setRange(0, static_cast<int>(std::max<std::int64_t>(state.frames - 1, state.frame)));
  slider_->setValue(static_cast<int>(state.frame));
  slider_->setEnabled(state.frames > 0);
  play_->setText(state.playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
  play_->setEnabled(state.frames > 0);
  mode_->setCurrentIndex(state.mode);
  yaw_->setValue(state.yawDeg);
  pitch_->setValue(state.pitchDeg);
  look_->setVisible(state.looks);
  updating_ = false;
  clip_->setText(fromCore(state.clip) +
                 (state.rendering ? QStringLiteral(" (rendering...)") : QString()));
  figures_->setText(fromCore(state.figures));
  figures_->setVisible(!state.figures.empty());
  message_->setText(fromCore(state.message));
  setCursor(state.rendering ? Qt::BusyCursor : Qt::ArrowCursor);
}

void PreviewWindow::showPicture(const std::string& bmp) {
  picture_ = bmp.empty() ? QImage()
                         : QImage::fromData(reinterpret_cast<const uchar*>(bmp.data()),
                                            static_cast<int>(bmp.size()), "BMP");
  canvas_->update();
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  model_.closed();
  event->accept();
}

}  // namespace twinlens::ui
