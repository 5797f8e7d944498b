#include "ui/MainScreen.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>
#include <map>

#include "base/Paths.h"
#include "model/Choices.h"
#include "model/SettingsFields.h"
#include "platform/ProgramLauncher.h"
#include "ui/ABOUT.h"
#include "ui/EncodeWindow.h"
#include "ui/PreviewWindow.h"
#include "ui/QtText.h"
#include "ui/RadioGroup.h"
#include "window/ButtonTable.h"
#include "window/ControlRules.h"
#include "window/ControlTable.h"
#include "window/MenuTable.h"

namespace twinlens::ui {

namespace {

QString qt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The window model's description of a control; every control built here has one.
const window::Control& spec(const char* name) {
  const window::Control* control = window::findControl(name);
  if (control == nullptr) qFatal("no control %s in the window model", name);
  return *control;
}

QStringList captions(std::span<const std::string_view> items) {
  QStringList list;
  for (std::string_view item : items) list.append(qt(item));
  return list;
}

template <typename W>
W* named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// The hint of a control: its tooltip part (unless it shows in the status bar only) and its
// status-bar part.
void setHint(QWidget* widget, const window::Control& control) {
  if (!control.hint.empty()) {
    widget->setToolTip(qt(window::tooltipOf(control)));
    widget->setStatusTip(qt(window::statusHintOf(control)));
  }
}

void setHint(QAction* action, const QString& hint) {
  const qsizetype bar = hint.indexOf(u'|');
  action->setToolTip(bar < 0 ? hint : hint.left(bar));
  action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

// Each control as the window model describes it: name, caption, items, initial value and hint.
template <typename W>
W* described(W* widget, const char* name) {
  setHint(named(widget, name), spec(name));
  return widget;
}

QCheckBox* checkBox(const char* name) {
  return described(new QCheckBox(qt(spec(name).caption)), name);
}

QLineEdit* textField(const char* name) {
  const window::Control& control = spec(name);
  auto* field = described(new QLineEdit(qt(control.initial)), name);
  if (control.width > 0) field->setFixedWidth(control.width);
  return field;
}

QLabel* label(const char* name, QWidget* buddy = nullptr) {
  auto* text = described(new QLabel(qt(spec(name).caption)), name);
  if (buddy) text->setBuddy(buddy);
  return text;
}

QPushButton* button(const char* name) {
  return described(new QPushButton(qt(spec(name).caption)), name);
}

RadioGroup* radioGroup(const char* name) {
  const window::Control& control = spec(name);
  auto* group = described(
      new RadioGroup(qt(control.caption), captions(control.options), control.columns), name);
  group->setItemIndex(qt(control.initial).toInt());
  return group;
}

QComboBox* dropDown(const char* name) {
  const window::Control& control = spec(name);
  auto* box = described(new QComboBox, name);
  box->addItems(captions(control.options));
  box->setCurrentIndex(qt(control.initial).toInt());
  return box;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
  auto* line = new QHBoxLayout;
  for (QWidget* widget : widgets) line->addWidget(widget);
  if (stretch) line->addStretch(1);
  return line;
}

QGroupBox* group(const char* name) {
  return named(new QGroupBox(qt(spec(name).caption)), name);
}

// A tab page whose content sits at the top.
QWidget* page(const char* name, QLayout* content) {
  auto* widget = named(new QWidget, name);
  auto* layout = new QVBoxLayout(widget);
  layout->addLayout(content);
  layout->addStretch(1);
  return widget;
}

}  // namespace

TSDIAppForm::TSDIAppForm(UiPrompter& prompter, AppFiles files, const std::string& programFolder,
                         QWidget* parent)
    : QMainWindow(parent),
      prompter_(prompter),
      files_(std::move(files)),
      programFolder_(programFolder),
      model_(*this, *this, files_.settingsPath, files_.presetsPath, programFolder,
             &platform::launchProgram),
      settings_(model_.settings()),
      folderOpener_(
          [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }) {
  setObjectName(QStringLiteral("SDIAppForm"));
  setWindowTitle(QStringLiteral("Twinlens V1.00"));

  tabs_ = named(new QTabWidget, "PageControl1");
  for (QWidget* tab : {buildInputTab(), buildOutputTab(), buildFrameRatesTab(), buildAdvancedTab(),
                       buildGeometryTab(), buildVrTab(), buildFfmpegTab(), buildVirtualDubTab()}) {
    tabs_->addTab(tab, qt(spec(tab->objectName().toLatin1().constData()).caption));
  }
  tabs_->setCurrentIndex(0);
  tabs_->setUsesScrollButtons(false);  // every tab title stays in view

  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->addWidget(tabs_);
  layout->addWidget(buildHandOffBoxes());

  // The window scrolls when it is made smaller than its content.
  auto* scroll = named(new QScrollArea, "ScrollBox1");
  scroll->setWidget(content);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setFocusPolicy(Qt::NoFocus);  // the window opens with the focus on its first control
  setCentralWidget(scroll);
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  stopButton_ = named(new QPushButton(QStringLiteral("Stop")), "Button_Stop");
  stopButton_->setShortcut(QKeySequence(Qt::Key_Escape));
  stopButton_->setStatusTip(QStringLiteral("Stops reading the clips: nothing is written (Esc)"));
  stopButton_->hide();
  connect(stopButton_, &QPushButton::clicked, this, [this] { stopAsked_ = true; });
  statusBar()->addPermanentWidget(stopButton_);
  buildMenus();

  aboutBox_ = new TAboutBox(this);
  bindFields();
  showSettings();
  // The preview renders and the encodes run away from the window; each turn takes in what they
  // have done.
  ticker_ = new QTimer(this);
  connect(ticker_, &QTimer::timeout, this, [this] { model_.tick(); });
  // Often enough for a playing preview to show each frame in its time.
  ticker_->start(10);

  // Every widget of the window reports entering and leaving it for the status bar, and the
  // three fields with key-release handlers report their key releases.
  qApp->installEventFilter(this);
  // Open large enough to show everything; a smaller window scrolls.
  content->ensurePolished();
  content->layout()->activate();
  const QSize wanted = content->sizeHint() + QSize(40, menuBar()->sizeHint().height() +
                                                           statusBar()->sizeHint().height() + 60);
  resize(wanted);
}

TSDIAppForm::~TSDIAppForm() {
  // The controls go away after this; focus and event reports about them must not reach here.
  disconnect(qApp, nullptr, this, nullptr);
  qApp->removeEventFilter(this);
  // The preview window goes while the behaviour it stops on its way still stands.
  delete previewWindow_;
  previewWindow_ = nullptr;
}

QWidget* TSDIAppForm::buildInputTab() {
  auto* columns = new QHBoxLayout;
  auto* column = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  columns->addLayout(column);
  columns->addLayout(right);
  column->addWidget(radioGroup("RadioGroup_Input_Format"));
  column->addWidget(checkBox("CheckBox_MVC_Ref"));
  column->addWidget(radioGroup("RadioGroup_Import_Options"));
  auto* pictureFr = textField("Edit_import_picture_FR");
  column->addLayout(row({label("Label_picture_FR", pictureFr), pictureFr}));

  auto* aspect = group("GroupBox_Aspect_ratio");
  auto* aspectLayout = new QVBoxLayout(aspect);
  for (const char* name : {"CheckBox_Input_HW", "CheckBox_Input_HH", "CheckBox_Input_SF"}) {
    aspectLayout->addWidget(checkBox(name));
  }
  right->addWidget(aspect);

  auto* shift = group("GroupBox_Time_shift");
  auto* offset = textField("Edit_Offset");
  auto* shiftLayout = new QVBoxLayout(shift);
  auto* detect = button("Button_Detect_Offset");
  shiftLayout->addLayout(row({label("Label_Offset", offset), offset, detect}));
  right->addWidget(shift);

  auto* audioCut = textField("Edit_Audio_Frames_Cut");
  right->addLayout(row({label("Label_Audio_Frames_Cut", audioCut), audioCut}));
  column->addStretch(1);
  right->addStretch(1);
  return page("TabSheet_Input", columns);
}

QWidget* TSDIAppForm::buildOutputTab() {
  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  columns->addLayout(left);
  columns->addLayout(right);

  left->addWidget(radioGroup("RadioGroup_Output_Format"));

  auto* finalSize = group("GroupBox_Final_size");
  auto* sizeLayout = new QVBoxLayout(finalSize);
  sizeLayout->addWidget(checkBox("CheckBox_change_final_HV"));
  auto* finalH = textField("Edit_final_H");
  auto* finalV = textField("Edit_final_V");
  sizeLayout->addLayout(
      row({label("Label_final_H", finalH), finalH, label("Label_final_V", finalV), finalV}));
  auto* blur = textField("Edit_Blur");
  sizeLayout->addLayout(row({label("Label_Blur", blur), blur}));
  left->addWidget(finalSize);

  editPrefix_ = textField("Edit_Prefix");
  left->addLayout(row({label("Label_Prefix", editPrefix_), editPrefix_}));

  auto* aspect = group("GroupBox_Output_aspect_ratio");
  auto* aspectLayout = new QVBoxLayout(aspect);
  for (const char* name : {"CheckBox_Output_HW", "CheckBox_Output_HH", "CheckBox_Output_SF"}) {
    aspectLayout->addWidget(checkBox(name));
  }
  right->addWidget(aspect);

  auto* mirroring = group("GroupBox_Mirroring");
  auto* mirrorLayout = new QGridLayout(mirroring);
  mirrorLayout->addWidget(checkBox("CheckBox_HML"), 0, 0);
  mirrorLayout->addWidget(checkBox("CheckBox_VML"), 0, 1);
  mirrorLayout->addWidget(checkBox("CheckBox_HMR"), 1, 0);
  mirrorLayout->addWidget(checkBox("CheckBox_VMR"), 1, 1);
  right->addWidget(mirroring);

  right->addWidget(checkBox("CheckBox_Reverse_LR"));

  auto* colour = dropDown("ComboBox_Colour");
  right->addLayout(row({label("Label_Colour", colour), colour}));
  left->addStretch(1);
  right->addStretch(1);
  return page("TabSheet_Output", columns);
}

QWidget* TSDIAppForm::buildFrameRatesTab() {
  auto* column = new QVBoxLayout;
  column->addWidget(radioGroup("RadioGroup_Repeat"));
  column->addWidget(radioGroup("RadioGroup_FrameRates"));
  editFrNum_ = textField("Edit_FR_Num");
  editFrDen_ = textField("Edit_FR_Den");
  column->addLayout(row({label("Label_FR_Num", editFrNum_), editFrNum_,
                         label("Label_FR_Den", editFrDen_), editFrDen_}));
  column->addWidget(radioGroup("RadioGroup_Pitch"));
  return page("TabSheet_Frame_rates", column);
}

QWidget* TSDIAppForm::buildAdvancedTab() {
  auto* column = new QVBoxLayout;
  auto* blending = group("GroupBox_Blending");
  auto* blendLayout = new QVBoxLayout(blending);
  blendLayout->addWidget(radioGroup("RadioGroup_Blend_TL"));
  auto* blend = dropDown("ComboBox_Blend");
  blendLayout->addLayout(row({label("Label_Blend", blend), blend}));
  blendLayout->addWidget(checkBox("CheckBox_180"));
  blendLayout->addWidget(checkBox("CheckBox_Blend_RightSound"));
  column->addWidget(blending);

  column->addWidget(radioGroup("RadioGroup_Colour_Match"));

  auto* deshaker = group("GroupBox_Deshaker");
  auto* deshakerLayout = new QVBoxLayout(deshaker);
  deshakerLayout->addWidget(checkBox("CheckBox_Deshake"));
  auto* plugin = button("Button_VDub_Plugin");
  labelPlugin_ = label("Label_VDub_Plugin");
  labelPlugin_->setTextFormat(Qt::PlainText);
  labelPlugin_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  deshakerLayout->addLayout(row({plugin, labelPlugin_}));
  auto* vcf = button("Button_Deshaker_Settings");
  deshakerLayout->addLayout(row({vcf}));
  column->addWidget(deshaker);
  return page("TabSheet_Advanced", column);
}

QWidget* TSDIAppForm::buildGeometryTab() {
  auto* column = new QVBoxLayout;
  column->addWidget(radioGroup("RadioGroup_Align"));
  auto* values = group("GroupBox_Align_Values");
  auto* grid = new QGridLayout(values);
  int line = 0;
  for (const char* name : {"Vertical", "Roll", "Zoom", "Toe_In", "Tilt"}) {
    const std::string field = std::string("Edit_Align_") + name;
    const std::string caption = std::string("Label_Align_") + name;
    auto* edit = textField(field.c_str());
    grid->addWidget(label(caption.c_str(), edit), line, 0);
    grid->addWidget(edit, line++, 1);
  }
  auto* measure = button("Button_Measure_Alignment");
  grid->addWidget(measure, line, 0, 1, 2, Qt::AlignLeft);
  grid->setColumnStretch(2, 1);
  column->addWidget(values);
  column->addWidget(radioGroup("RadioGroup_Convergence"));
  auto* shift = textField("Edit_Convergence");
  column->addLayout(row({label("Label_Convergence", shift), shift}));
  return page("TabSheet_Geometry", column);
}

QWidget* TSDIAppForm::buildVrTab() {
  auto* column = new QVBoxLayout;
  column->addWidget(radioGroup("RadioGroup_Lens"));
  auto* fov = textField("Edit_Lens_FOV");
  column->addLayout(row({label("Label_Lens_FOV", fov), fov}));
  column->addWidget(radioGroup("RadioGroup_Projection"));
  auto* window = textField("Edit_Window_FOV");
  column->addLayout(row({label("Label_Window_FOV", window), window}));
  column->addWidget(checkBox("CheckBox_Player_Tags"));
  auto* target = dropDown("ComboBox_Target");
  column->addLayout(row({label("Label_Target", target), target}));
  return page("TabSheet_VR", column);
}

QWidget* TSDIAppForm::buildFfmpegTab() {
  auto* encoding = group("GroupBox_FFMpeg_Encoding");
  auto* grid = new QGridLayout(encoding);

  auto* select = button("Button5");
  labelFfmpeg_ = label("Label_ffmpeg");
  labelFfmpeg_->setTextFormat(Qt::PlainText);
  labelFfmpeg_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(select, 0, 0);
  grid->addWidget(labelFfmpeg_, 0, 1, 1, 2);

  const window::Control& presetSpec = spec("ComboBox_FF_codec");
  presetBox_ = described(new QComboBox, "ComboBox_FF_codec");
  presetBox_->setEditable(true);
  // Typed text stays text: it neither becomes an entry nor is completed from the list.
  presetBox_->setInsertPolicy(QComboBox::NoInsert);
  presetBox_->setCompleter(nullptr);
  // Nor does finishing the edit select an entry whose name was typed: only choosing one does.
  QObject::disconnect(presetBox_->lineEdit(), &QLineEdit::editingFinished, presetBox_, nullptr);
  presetBox_->setEditText(qt(presetSpec.initial));
  presetBox_->setMinimumWidth(presetSpec.width);
  auto* remove = button("Button_Delete_Preset");
  grid->addWidget(label("Label_Preset", presetBox_), 1, 0);
  grid->addWidget(presetBox_, 1, 1);
  grid->addWidget(remove, 1, 2);

  auto* parameters = textField("Edit_coding_presets");
  grid->addWidget(label("Label_Parameters", parameters), 2, 0, 1, 3);
  grid->addWidget(parameters, 3, 0, 1, 3);

  auto* name = textField("Edit_preset_name");
  grid->addWidget(label("Label_preset_name", name), 4, 0);
  grid->addWidget(name, 4, 1);

  auto* extension = textField("Edit_Video_Extension");
  auto* save = button("Button_new_preset");
  grid->addWidget(label("Label_Video_Extension", extension), 5, 0);
  grid->addWidget(extension, 5, 1);
  grid->addWidget(save, 5, 2);
  grid->setColumnStretch(1, 1);

  auto* column = new QVBoxLayout;
  column->addWidget(encoding);
  column->addWidget(radioGroup("RadioGroup_Engine"));
  column->addWidget(radioGroup("RadioGroup_Encode_On"));
  // The job engines' fields, Slurm's on one line and GNU parallel's on the next.
  auto* jobs = new QGridLayout;
  int at = 0;
  for (const char* name :
       {"Slurm_Partition", "Slurm_Clips_At_Once", "Slurm_CPUs", "Slurm_Memory"}) {
    auto* edit = textField((std::string("Edit_") + name).c_str());
    jobs->addWidget(label((std::string("Label_") + name).c_str(), edit), 0, at++);
    jobs->addWidget(edit, 0, at++);
  }
  auto* computers = textField("Edit_Parallel_Computers");
  jobs->addWidget(label("Label_Parallel_Computers", computers), 1, 0);
  jobs->addWidget(computers, 1, 1, 1, at - 1);
  column->addLayout(jobs);
  return page("TabSheet_FFmpeg", column);
}

QWidget* TSDIAppForm::buildVirtualDubTab() {
  auto* files = group("GroupBox_VirtualDub");
  auto* grid = new QGridLayout(files);
  struct Row {
    const char* button;
    const char* field;
  };
  const Row rows[] = {
      {"Button1", "Edit_vcf_deint"},
      {"Button2", "Edit_vcf_separate"},
      {"Button3", "Edit_vcf_LR"},
      {"Button4", "Edit_VD2"},
  };
  int line = 0;
  for (const Row& r : rows) {
    auto* push = button(r.button);
    grid->addWidget(push, line, 0);
    grid->addWidget(textField(r.field), line, 1);
    ++line;
  }
  grid->addWidget(checkBox("CheckBox_Output_DI"), line++, 0, 1, 2);
  grid->addWidget(checkBox("CheckBox_Output_DI_Phase"), line++, 0, 1, 2);
  grid->setColumnStretch(1, 1);

  auto* column = new QVBoxLayout;
  column->addWidget(files);
  return page("TabSheet_VirtualDub", column);
}

QWidget* TSDIAppForm::buildHandOffBoxes() {
  auto* boxes = named(new QWidget, "Panel_HandOff");
  auto* layout = new QVBoxLayout(boxes);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(row({checkBox("CheckBox_ffmpeg_make"), checkBox("CheckBox_Execute_ffmpeg")}));
  layout->addLayout(row({checkBox("CheckBox_VD_MakeJobs"), checkBox("CheckBox_Execute_VD"),
                         checkBox("CheckBox_2VD")}));
  auto* preview = button("Button_Preview");
  layout->addLayout(row({preview}));
  return boxes;
}

void TSDIAppForm::buildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));

  std::map<std::string_view, QMenu*> menus;
  for (const window::Menu& menu : window::menus()) {
    QMenu* added = bar->addMenu(qt(menu.caption));
    added->setObjectName(qt(menu.name));
    added->menuAction()->setStatusTip(qt(menu.hint));
    menus[menu.name] = added;
  }
  const std::map<std::string_view, std::function<void()>> commands = {
      {"M1", [this] { M1Click(); }},
      {"RunReport1", [this] { RunReport1Click(); }},
      {"LoadLayout1", [this] { LoadLayout1Click(); }},
      {"SaveLayout1", [this] { SaveLayout1Click(); }},
      {"FileExit1", [this] { FileExit1Execute(); }},
      {"EditCut1",
       [this] {
         if (QLineEdit* field = focusedTextField()) field->cut();
       }},
      {"EditCopy1",
       [this] {
         if (QLineEdit* field = focusedTextField()) field->copy();
       }},
      {"EditPaste1",
       [this] {
         if (QLineEdit* field = focusedTextField()) field->paste();
       }},
      {"Preview1", [this] { Preview1Click(); }},
      {"HelpAbout1", [this] { HelpAbout1Execute(); }},
  };
  std::map<std::string_view, QAction*> actions;
  for (const window::MenuItem& item : window::menuItems()) {
    QMenu* menu = menus.at(item.menu);
    if (item.name.empty()) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(qt(item.caption), this, commands.at(item.name));
    action->setObjectName(qt(item.name));
    if (!item.shortcut.empty()) action->setShortcut(QKeySequence(qt(item.shortcut)));
    if (!item.hint.empty()) setHint(action, qt(item.hint));
    actions[item.name] = action;
  }
  reportAction_ = actions.at("RunReport1");
  reportAction_->setEnabled(false);
  editMenu_ = menus.at("Edit1");
  cutAction_ = actions.at("EditCut1");
  copyAction_ = actions.at("EditCopy1");
  pasteAction_ = actions.at("EditPaste1");

  connect(editMenu_, &QMenu::aboutToShow, this, &TSDIAppForm::updateEditActions);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    if (old == menuBar() && textFieldBeforeMenu_ && now != textFieldBeforeMenu_) {
      // The field was not told when the menu bar took its focus; it is told now that the focus
      // goes elsewhere, so that it stops showing its cursor and selection.
      QFocusEvent out(QEvent::FocusOut, now ? Qt::OtherFocusReason : Qt::ActiveWindowFocusReason);
      QCoreApplication::sendEvent(textFieldBeforeMenu_, &out);
    }
    // The menu bar holds the focus only while it is worked with the keyboard.
    if (now != menuBar()) {
      auto* field = qobject_cast<QLineEdit*>(now);
      textFieldBeforeMenu_ = field && field->window() == this ? field : nullptr;
    }
    updateEditActions();
  });
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          &TSDIAppForm::updateEditActions);
  updateEditActions();  // no text field has the focus yet

  for (const auto& [name, menu] : menus) {
    menu->setToolTipsVisible(true);
    // While a menu is open the status bar shows the hints of the menu and its items; the mouse
    // leaving the control under it as the menu opens must not wipe them.
    connect(menu, &QMenu::aboutToShow, this, [this] { menuOpen_ = true; });
    connect(menu, &QMenu::aboutToHide, this, [this] { menuOpen_ = false; });
  }
}

// Every control named after a field writes its changes into the record at once; the rules follow.
void TSDIAppForm::bindFields() {
  // Each control's change goes to the window's behaviour by its field's name.
  for (const SettingsField& field : settingsFields()) {
    QWidget* widget = findChild<QWidget*>(
        QString::fromLatin1(field.name.data(), static_cast<qsizetype>(field.name.size())));
    if (!widget || widget == presetBox_) continue;
    const std::string_view name = field.name;
    if (auto* group = qobject_cast<RadioGroup*>(widget)) {
      connect(group, &RadioGroup::itemIndexChanged, this, [this, name](int index) {
        if (!updating_) model_.choiceChanged(name, index);
      });
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      connect(box, &QCheckBox::toggled, this, [this, name](bool checked) {
        if (!updating_) model_.flagChanged(name, checked);
      });
    } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
      connect(list, &QComboBox::currentIndexChanged, this, [this, name](int index) {
        if (!updating_) model_.choiceChanged(name, index);
      });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      connect(edit, &QLineEdit::textChanged, this, [this, name](const QString& text) {
        if (!updating_) model_.textChanged(name, toCore(text));
      });
    }
  }
  // And each button's press, by its name.
  for (const window::ButtonAction& action : window::buttonActions()) {
    auto* push = findChild<QPushButton*>(
        QString::fromLatin1(action.name.data(), static_cast<qsizetype>(action.name.size())));
    if (push == nullptr) continue;
    const std::string_view name = action.name;
    connect(push, &QPushButton::clicked, this, [this, name] { model_.buttonPressed(name); });
  }

  connect(presetBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!updating_) model_.choiceChanged("ComboBox_FF_codec", index);
  });
  connect(presetBox_->lineEdit(), &QLineEdit::textEdited, this, &TSDIAppForm::presetTextEdited);

  for (QLineEdit* field : findChildren<QLineEdit*>()) {
    connect(field, &QLineEdit::selectionChanged, this, &TSDIAppForm::updateEditActions);
  }
}

namespace {

void showText(QLineEdit* field, const QString& text) {
  // Setting the same text again would move the cursor of a field being edited.
  if (field->text() != text) field->setText(text);
}

}  // namespace

void TSDIAppForm::showSettings() {
  updating_ = true;
  for (const SettingsField& field : settingsFields()) {
    QWidget* widget = findChild<QWidget*>(
        QString::fromLatin1(field.name.data(), static_cast<qsizetype>(field.name.size())));
    if (!widget || widget == presetBox_) continue;
    // A choice outside its list is shown as the control takes it, and the record follows.
    if (auto* group = qobject_cast<RadioGroup*>(widget)) {
      group->setItemIndex(field.itemIndex(settings_));
      field.setItemIndex(settings_, group->itemIndex());
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      box->setChecked(settings_.*std::get<bool ConversionSettings::*>(field.member));
    } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
      const int index =
          ConversionSettings::dropDownIndex(field.itemIndex(settings_), list->count());
      field.setItemIndex(settings_, index);
      list->setCurrentIndex(index);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      showText(edit,
               fromCore(settings_.*std::get<std::string ConversionSettings::*>(field.member)));
    }
  }
  labelFfmpeg_->setText(fromCore(settings_.FfmpegLocation));
  labelPlugin_->setText(fromCore(settings_.DeshakerDir));
  updating_ = false;
  if (model_.hasPresets()) selectPreset(settings_.ComboBox_FF_codec);
  applyRules();
}

void TSDIAppForm::showPresetFields() {
  updating_ = true;
  for (const char* name : {"Edit_coding_presets", "Edit_Video_Extension", "Edit_preset_name"}) {
    const SettingsField* field = findSettingsField(name);
    showText(findChild<QLineEdit*>(QString::fromLatin1(name)),
             fromCore(settings_.*std::get<std::string ConversionSettings::*>(field->member)));
  }
  updating_ = false;
}

// Selecting no entry keeps the box's text; the record holds what the box shows.
void TSDIAppForm::selectPreset(int index) {
  updating_ = true;
  index = ConversionSettings::dropDownIndex(index, presetBox_->count());
  if (index >= 0) {
    presetBox_->setCurrentIndex(index);
  } else {
    const QString text = presetBox_->currentText();
    presetBox_->setCurrentIndex(-1);
    presetBox_->setEditText(text);
  }
  settings_.ComboBox_FF_codec = index;
  updating_ = false;
}

void TSDIAppForm::presetTextEdited() {
  if (updating_) return;
  // Typing leaves no entry selected.
  const int cursor = presetBox_->lineEdit()->cursorPosition();
  selectPreset(-1);
  presetBox_->lineEdit()->setCursorPosition(cursor);
  model_.ComboBox_FF_codecChange();
}

void TSDIAppForm::applyRules() {
  for (const window::ControlRule& rule : window::controlRules()) applyRule(rule);
}

void TSDIAppForm::applyRule(const window::ControlRule& rule) {
  const bool on = rule.on(settings_);
  for (const std::string_view target : rule.targets) {
    auto* widget = findChild<QWidget*>(
        QString::fromLatin1(target.data(), static_cast<qsizetype>(target.size())));
    if (rule.effect == window::ControlRule::Effect::Show) {
      widget->setVisible(on);
    } else {
      widget->setEnabled(on);
    }
  }
}

// ---- what the behaviour asks of the window ----

void TSDIAppForm::showPresetList(const std::vector<std::string>& names) {
  updating_ = true;
  const QString text = presetBox_->currentText();
  presetBox_->clear();
  for (const std::string& name : names) presetBox_->addItem(fromCore(name));
  updating_ = false;
  presetBox_->setEditText(text);
  selectPreset(-1);
}

int TSDIAppForm::selectedPreset() const {
  return presetBox_->currentIndex();
}

std::string TSDIAppForm::fieldText(std::string_view field) const {
  const auto* edit = findChild<QLineEdit*>(
      QString::fromLatin1(field.data(), static_cast<qsizetype>(field.size())));
  return edit ? toCore(edit->text()) : std::string();
}

void TSDIAppForm::setFieldText(std::string_view field, const std::string& text) {
  auto* edit = findChild<QLineEdit*>(
      QString::fromLatin1(field.data(), static_cast<qsizetype>(field.size())));
  if (edit) showText(edit, fromCore(text));
}

void TSDIAppForm::showBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The status line and the cursor show before the measurement holds the event loop.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void TSDIAppForm::showStatus(const std::string& text) {
  statusBar()->showMessage(fromCore(text));
}

void TSDIAppForm::showProgress(const std::string& text) {
  showStatus(text);
  statusBar()->repaint();
}

bool TSDIAppForm::stopRequested() {
  if (!held_) {
    held_ = true;
    stopAsked_ = false;
    centralWidget()->setEnabled(false);
    menuBar()->setEnabled(false);
    stopButton_->show();
    stopButton_->setFocus();
  }
  QApplication::processEvents();
  return stopAsked_;
}

void TSDIAppForm::endProgress() {
  if (!held_) return;
  held_ = false;
  stopButton_->hide();
  centralWidget()->setEnabled(true);
  menuBar()->setEnabled(true);
}

std::optional<std::vector<std::string>> TSDIAppForm::openFiles(const std::string& title,
                                                               const std::string& filter,
                                                               const std::string& folder,
                                                               bool multiple) {
  const auto chosen =
      prompter_.openFiles(fromCore(title), fromCore(filter), fromCore(folder), multiple);
  if (!chosen) return std::nullopt;
  std::vector<std::string> files;
  for (const QString& path : *chosen) files.push_back(toCore(path));
  return files;
}

std::optional<std::string> TSDIAppForm::saveFile(const std::string& title,
                                                 const std::string& filter,
                                                 const std::string& folder,
                                                 const std::string& defaultExtension) {
  const auto chosen = prompter_.saveFile(fromCore(title), fromCore(filter), fromCore(folder),
                                         fromCore(defaultExtension));
  if (!chosen) return std::nullopt;
  return toCore(*chosen);
}

void TSDIAppForm::showInformation(const std::string& text) {
  prompter_.showInformation(fromCore(text));
}

void TSDIAppForm::showError(const std::string& text) {
  // Keys pressed in the message box are not key releases of a field.
  showingError_ = true;
  prompter_.showError(fromCore(text));
  showingError_ = false;
}

bool TSDIAppForm::askOkCancel(const std::string& title, const std::string& text) {
  return prompter_.askOkCancel(fromCore(title), fromCore(text));
}

// ---- start-up and close ----

void TSDIAppForm::FormActivate() {
  model_.FormActivate();
}

bool TSDIAppForm::FormClose() {
  return model_.FormClose();
}

void TSDIAppForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !model_.activated()) {
    // Read the files once the activation is over, so that an error box does not open inside it.
    QTimer::singleShot(0, this, &TSDIAppForm::FormActivate);
  }
}

void TSDIAppForm::closeEvent(QCloseEvent* event) {
  // Closed while a run scans its clips: the scan stops first, and the window stays.
  if (held_) {
    stopAsked_ = true;
    event->ignore();
    return;
  }
  if (FormClose()) {
    event->accept();
  } else {
    event->ignore();
  }
}

// ---- menu ----

void TSDIAppForm::M1Click() {
  model_.M1Click();
  if (model_.runReport().ran()) reportAction_->setEnabled(true);
}

void TSDIAppForm::RunReport1Click() {
  auto* dialog =
      new RunReportDialog(model_.writtenFiles(), model_.runReport(), folderOpener_, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

void TSDIAppForm::LoadLayout1Click() {
  model_.LoadLayout1Click();
}

void TSDIAppForm::SaveLayout1Click() {
  model_.SaveLayout1Click();
}

void TSDIAppForm::FileExit1Execute() {
  close();
}

void TSDIAppForm::HelpAbout1Execute() {
  aboutBox_->exec();
}

void TSDIAppForm::Preview1Click() {
  model_.preview().Preview1Click();
}

void TSDIAppForm::showPreviewWindow() {
  if (!previewWindow_) previewWindow_ = new PreviewWindow(model_.preview(), this);
  previewWindow_->show();
  previewWindow_->raise();
  previewWindow_->activateWindow();
}

void TSDIAppForm::showEncodeWindow() {
  if (!encodeWindow_) encodeWindow_ = new EncodeWindow(model_.encodes(), this);
  encodeWindow_->show();
  encodeWindow_->raise();
  encodeWindow_->activateWindow();
}

void TSDIAppForm::showEncodeState(const window::EncodeState& state) {
  if (encodeWindow_) encodeWindow_->showState(state);
}

void TSDIAppForm::openFolder(const std::string& folder) {
  if (folderOpener_) folderOpener_(fromCore(folder));
}

void TSDIAppForm::showPreviewPicture(const std::string& bmp) {
  if (previewWindow_) previewWindow_->showPicture(bmp);
}

window::SoundOutput* TSDIAppForm::previewSound() {
  return previewWindow_ ? previewWindow_->sound() : nullptr;
}

void TSDIAppForm::showPreviewState(const window::PreviewState& state) {
  if (previewWindow_) previewWindow_->showState(state);
}

// ---- key releases ----

void TSDIAppForm::Edit_PrefixKeyUp() {
  model_.Edit_PrefixKeyUp();
}

void TSDIAppForm::Edit_User_FRKeyUp() {
  model_.Edit_User_FRKeyUp();
}

void TSDIAppForm::Edit_FR_DenKeyUp() {
  model_.Edit_FR_DenKeyUp();
}

// ---- Edit menu ----

QLineEdit* TSDIAppForm::focusedTextField() const {
  QWidget* focus = QApplication::focusWidget();
  // A menu opened with its access key takes the focus to the menu bar for a while; the Edit
  // commands still work on the field the user was in.
  if (focus == menuBar()) return textFieldBeforeMenu_;
  auto* field = qobject_cast<QLineEdit*>(focus);
  return field && field->window() == this ? field : nullptr;
}

void TSDIAppForm::updateEditActions() {
  const QLineEdit* field = focusedTextField();
  const bool selection = field && field->hasSelectedText();
  const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
  cutAction_->setEnabled(selection);
  copyAction_->setEnabled(selection);
  pasteAction_->setEnabled(field && clipboard && clipboard->hasText());
}

// ---- hints and key releases ----

QString TSDIAppForm::statusHint(const QWidget* widget) const {
  for (; widget && widget != this; widget = widget->parentWidget()) {
    if (!widget->statusTip().isEmpty()) return widget->statusTip();
  }
  return QString();
}

bool TSDIAppForm::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyPress && showingError_) {
    keysPressedInMessageBox_.insert(static_cast<QKeyEvent*>(event)->key());
  }
  if (type == QEvent::KeyRelease && showingError_) {
    keysPressedInMessageBox_.remove(static_cast<QKeyEvent*>(event)->key());
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget == this || widget->window() != this) {
    return QMainWindow::eventFilter(watched, event);
  }
  switch (type) {
    case QEvent::Enter:
      if (!menuOpen_) statusBar()->showMessage(statusHint(widget));
      break;
    case QEvent::Leave:
      // Back over the enclosing control; a control entered next reports itself after this.
      if (!menuOpen_) statusBar()->showMessage(statusHint(widget->parentWidget()));
      break;
    case QEvent::StatusTip:
      // The hints of controls are shown above; menu items still report through the menu bar.
      if (!qobject_cast<QMenuBar*>(widget)) return true;
      break;
    case QEvent::FocusOut:
      // A field keeps its selection while the menu bar is worked with the keyboard, as it does
      // under a menu opened with the mouse, so that Cut and Copy have something to work on.
      if (qobject_cast<QLineEdit*>(widget) &&
          static_cast<QFocusEvent*>(event)->reason() == Qt::MenuBarFocusReason) {
        return true;
      }
      break;
    case QEvent::KeyRelease: {
      // A held key repeats its presses but is released once.
      if (static_cast<QKeyEvent*>(event)->isAutoRepeat()) break;
      const int key = static_cast<QKeyEvent*>(event)->key();
      // The release of a key that closed a message box belongs to that box.
      if (keysPressedInMessageBox_.remove(key)) break;
      if (widget == editPrefix_) Edit_PrefixKeyUp();
      if (widget == editFrNum_) Edit_User_FRKeyUp();
      if (widget == editFrDen_) Edit_FR_DenKeyUp();
      break;
    }
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace twinlens::ui
