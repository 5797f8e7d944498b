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

#include "engine/Choices.h"
#include "engine/ConversionRun.h"
#include "engine/Error.h"
#include "engine/Paths.h"
#include "engine/SettingsFields.h"
#include "handoff/DeshakerImport.h"
#include "platform/ProgramLauncher.h"
#include "storage/PresetsFile.h"
#include "storage/SettingsFile.h"
#include "ui/ABOUT.h"
#include "ui/QtText.h"
#include "ui/RadioGroup.h"
#include "window/ControlRules.h"

namespace twinlens::ui {

namespace {

constexpr auto kLayoutFilter = "Layout files (*.lay)|*.lay|All files (*.*)|*.*";

template <std::size_t N>
QStringList captions(const std::array<std::string_view, N>& items) {
  QStringList list;
  for (std::string_view item : items) {
    list.append(QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size())));
  }
  return list;
}

template <typename W>
W* named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

enum class HintPlace { TooltipAndStatusBar, StatusBarOnly };

// A hint "first|second" shows its first part as the tooltip and its second in the status bar.
void setHint(QWidget* widget, const QString& hint,
             HintPlace place = HintPlace::TooltipAndStatusBar) {
  const qsizetype bar = hint.indexOf(u'|');
  const QString tip = bar < 0 ? hint : hint.left(bar);
  const QString status = bar < 0 ? hint : hint.mid(bar + 1);
  if (place == HintPlace::TooltipAndStatusBar) widget->setToolTip(tip);
  widget->setStatusTip(status);
}

void setHint(QAction* action, const QString& hint) {
  const qsizetype bar = hint.indexOf(u'|');
  action->setToolTip(bar < 0 ? hint : hint.left(bar));
  action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QCheckBox* checkBox(const char* name, const QString& caption, const QString& hint,
                    HintPlace place = HintPlace::TooltipAndStatusBar) {
  auto* box = named(new QCheckBox(caption), name);
  setHint(box, hint, place);
  return box;
}

QLineEdit* textField(const char* name, const QString& initial, int width = 0) {
  auto* field = named(new QLineEdit(initial), name);
  if (width > 0) field->setFixedWidth(width);
  return field;
}

QLabel* label(const QString& caption, QWidget* buddy = nullptr) {
  auto* text = new QLabel(caption);
  if (buddy) text->setBuddy(buddy);
  return text;
}

QPushButton* button(const char* name, const QString& caption, const QString& hint) {
  auto* push = named(new QPushButton(caption), name);
  setHint(push, hint);
  return push;
}

RadioGroup* radioGroup(const char* name, const QString& title, const QStringList& options,
                       int columns, const QString& hint) {
  auto* group = named(new RadioGroup(title, options, columns), name);
  group->setItemIndex(0);
  setHint(group, hint);
  return group;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
  auto* line = new QHBoxLayout;
  for (QWidget* widget : widgets) line->addWidget(widget);
  if (stretch) line->addStretch(1);
  return line;
}

QGroupBox* group(const char* name, const QString& title) {
  return named(new QGroupBox(title), name);
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
      settings_(programFolder),
      runFrontEnd_(prompter, &platform::launchProgram),
      run_(settings_, runFrontEnd_),
      folderOpener_(
          [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }) {
  setObjectName(QStringLiteral("SDIAppForm"));
  setWindowTitle(QStringLiteral("Twinlens V1.00"));

  tabs_ = named(new QTabWidget, "PageControl1");
  tabs_->addTab(buildInputTab(), QStringLiteral("Input settings"));
  tabs_->addTab(buildOutputTab(), QStringLiteral("Output settings"));
  tabs_->addTab(buildFrameRatesTab(), QStringLiteral("Frame rates"));
  tabs_->addTab(buildAdvancedTab(), QStringLiteral("Advanced"));
  tabs_->addTab(buildFfmpegTab(), QStringLiteral("FFmpeg"));
  tabs_->addTab(buildVirtualDubTab(), QStringLiteral("VirtualDub"));
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
  buildMenus();

  aboutBox_ = new TAboutBox(this);
  bindFields();
  showSettings();

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
}

QWidget* TSDIAppForm::buildInputTab() {
  auto* columns = new QHBoxLayout;
  auto* column = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  columns->addLayout(column);
  columns->addLayout(right);
  column->addWidget(radioGroup("RadioGroup_Input_Format", QStringLiteral("Input Format"),
                               captions(choices::kInputFormat), 1,
                               QStringLiteral("Choose input 3D format")));
  column->addWidget(checkBox(
      "CheckBox_MVC_Ref", QStringLiteral("Separate files MVC reference"),
      QStringLiteral(
          "You can choose left and right input files by choosing original mp4 (mvc) files "
          "instead of separate left and right files to make faster selection. The programme will "
          "automatically search for _l, -l, _left, ... files if they exist. Note that separate "
          "files should EXIST before importing such files. Separated files should be in the same "
          "directory as original mvc files.")));
  column->addWidget(radioGroup(
      "RadioGroup_Import_Options", QStringLiteral("Import options"),
      captions(choices::kImportOptions), 1,
      QStringLiteral("AviSynth option when importing original input files. For most AVI files, "
                     "use AVISource. If it does not work, try DirectShowSource.")));
  auto* pictureFr = textField("Edit_import_picture_FR", QStringLiteral("25"), 80);
  setHint(pictureFr, QStringLiteral("Frame-rate of imported pictures"));
  column->addLayout(
      row({named(label(QStringLiteral("Import Picture FR"), pictureFr), "Label_picture_FR"),
           pictureFr}));

  auto* aspect = group("GroupBox_Aspect_ratio", QStringLiteral("Aspect ratio"));
  auto* aspectLayout = new QVBoxLayout(aspect);
  aspectLayout->addWidget(
      checkBox("CheckBox_Input_HW", QStringLiteral("Half width"),
               QStringLiteral("Denoting that input files are squeezed horizontally.")));
  aspectLayout->addWidget(
      checkBox("CheckBox_Input_HH", QStringLiteral("Half height"),
               QStringLiteral("Denoting that input files are squeezed vertically.")));
  aspectLayout->addWidget(checkBox(
      "CheckBox_Input_SF", QStringLiteral("Separate fields"),
      QStringLiteral("Letting know that input video has separate fields (usually for interlaced "
                     "video separated into fields). The video should be squeezed vertically.  ")));
  right->addWidget(aspect);

  auto* shift = group("GroupBox_Time_shift", QStringLiteral("Stereoscopic time-shift"));
  auto* offset = textField("Edit_Offset", QStringLiteral("0"), 80);
  setHint(offset, QStringLiteral("Positive number means that right clip should be advanced by "
                                 "denoted number of frames"));
  auto* shiftLayout = new QVBoxLayout(shift);
  shiftLayout->addLayout(row({label(QStringLiteral("Offset frames"), offset), offset}));
  right->addWidget(shift);

  auto* audioCut = textField("Edit_Audio_Frames_Cut", QStringLiteral("0"), 80);
  auto* audioLabel =
      named(label(QStringLiteral("Audio frames cut:"), audioCut), "Label_Audio_Frames_Cut");
  setHint(audioLabel, QStringLiteral("Number of audio frames cut at the end of video. Useful when "
                                     "importing from DebugMode frame server."));
  right->addLayout(row({audioLabel, audioCut}));
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

  left->addWidget(radioGroup("RadioGroup_Output_Format", QStringLiteral("Output Format"),
                             captions(choices::kOutputFormat), 1,
                             QStringLiteral("Choose output format (separate files, L-R or O-U).")));

  auto* finalSize = group("GroupBox_Final_size", QStringLiteral("Final L, R size"));
  auto* sizeLayout = new QVBoxLayout(finalSize);
  sizeLayout->addWidget(checkBox("CheckBox_change_final_HV", QStringLiteral("Change final size"),
                                 QStringLiteral("To modify the final size of Avisynth clips")));
  const QString sizeHint = QStringLiteral(
      "Final size per left or right picture. E.g. LR will have double horizontal size");
  auto* finalH = textField("Edit_final_H", QStringLiteral("1920"), 70);
  auto* finalV = textField("Edit_final_V", QStringLiteral("1080"), 70);
  setHint(finalH, sizeHint, HintPlace::StatusBarOnly);
  setHint(finalV, sizeHint, HintPlace::StatusBarOnly);
  sizeLayout->addLayout(row(
      {label(QStringLiteral("H"), finalH), finalH, label(QStringLiteral("V"), finalV), finalV}));
  auto* blur = textField("Edit_Blur", QStringLiteral("0"), 70);
  setHint(
      blur,
      QStringLiteral("Amount of blur, use it when downsizing the video. Try with value around 1."),
      HintPlace::StatusBarOnly);
  sizeLayout->addLayout(row({label(QStringLiteral("Blur "), blur), blur}));
  left->addWidget(finalSize);

  editPrefix_ = textField("Edit_Prefix", QString(), 160);
  setHint(editPrefix_,
          QStringLiteral("Prefix for output filename(s). Note that intermediate deinterlaced "
                         "separate files will have fixed DI_ prefix and not File prefix."));
  left->addLayout(row({label(QStringLiteral("File prefix:"), editPrefix_), editPrefix_}));

  auto* aspect = group("GroupBox_Output_aspect_ratio", QStringLiteral("Output aspect ratio"));
  auto* aspectLayout = new QVBoxLayout(aspect);
  aspectLayout->addWidget(
      checkBox("CheckBox_Output_HW", QStringLiteral("Half width"),
               QStringLiteral("Output format will have squeezed width by half")));
  aspectLayout->addWidget(
      checkBox("CheckBox_Output_HH", QStringLiteral("Half height"),
               QStringLiteral("Output format will have squeezed height by half")));
  aspectLayout->addWidget(
      checkBox("CheckBox_Output_SF", QStringLiteral("Separate fields"),
               QStringLiteral("Separate video fields. E.g. from interlaced frames we get separate "
                              "fields with squeezed height and with 2-times higher frame-rate.")));
  right->addWidget(aspect);

  auto* mirroring = group("GroupBox_Mirroring", QStringLiteral("Mirroring"));
  auto* mirrorLayout = new QGridLayout(mirroring);
  mirrorLayout->addWidget(checkBox("CheckBox_HML", QStringLiteral("H Mirror L"),
                                   QStringLiteral("Horizontal mirror or left picture")),
                          0, 0);
  mirrorLayout->addWidget(checkBox("CheckBox_VML", QStringLiteral("V Mirror L"),
                                   QStringLiteral("Vertical mirror of the left picture")),
                          0, 1);
  mirrorLayout->addWidget(checkBox("CheckBox_HMR", QStringLiteral("H Mirror R"),
                                   QStringLiteral("Horizontal mirror or right picture")),
                          1, 0);
  mirrorLayout->addWidget(checkBox("CheckBox_VMR", QStringLiteral("V Mirror R"),
                                   QStringLiteral("Vertical mirror of the right picture")),
                          1, 1);
  right->addWidget(mirroring);

  right->addWidget(
      checkBox("CheckBox_Reverse_LR", QStringLiteral("Reverse L-R"),
               QStringLiteral("Reverse left and right view in the output files. If mono output is "
                              "chosen, then right view will be exported.")));

  auto* colour = named(new QComboBox, "ComboBox_Colour");
  colour->addItems(captions(choices::kColour));
  colour->setCurrentIndex(0);
  setHint(colour, QStringLiteral("Force output colour space (YV12=4:2:0, YUY2=4:2:2, RGB=4:4:4)"));
  right->addLayout(row({label(QStringLiteral("Colo(u)r space"), colour), colour}));
  left->addStretch(1);
  right->addStretch(1);
  return page("TabSheet_Output", columns);
}

QWidget* TSDIAppForm::buildFrameRatesTab() {
  auto* column = new QVBoxLayout;
  column->addWidget(radioGroup(
      "RadioGroup_Repeat", QStringLiteral("Repeat or skip frames"), captions(choices::kRepeat), 3,
      QStringLiteral("Use if you want to repeat frames or skip frames (i.e. for 60p to 24p "
                     "conversion, use 1/2.5 frames option)")));
  column->addWidget(radioGroup("RadioGroup_FrameRates", QStringLiteral("Output frame rates"),
                               captions(choices::kFrameRates), 2,
                               QStringLiteral("Define output frame rate. It won't repeat or skip "
                                              "frames by default. Sound pitch might change.")));
  editFrNum_ = textField("Edit_FR_Num", QString(), 90);
  setHint(editFrNum_, QStringLiteral("Numerator of the user-defined frame-rate. Usually "
                                     "1000-times higher than desired."));
  editFrDen_ = textField("Edit_FR_Den", QString(), 90);
  setHint(editFrDen_, QStringLiteral("Denominator of the user-defined output frame-rate. For NTSC "
                                     "frame-rates, choose 1001, otherwise 1000."));
  column->addLayout(row({label(QStringLiteral("User frame rate Numer:"), editFrNum_), editFrNum_,
                         label(QStringLiteral("Denom:"), editFrDen_), editFrDen_}));
  column->addWidget(radioGroup(
      "RadioGroup_Pitch", QStringLiteral("Frame rate sound options"), captions(choices::kPitch), 2,
      QStringLiteral("What happes with sound when changing frame rates or repeat/skip frames. "
                     "Default is \"change pitch\". If selecting \"do nothing\", sound and video "
                     "might not be synchronised (of the same length).")));
  return page("TabSheet_Frame_rates", column);
}

QWidget* TSDIAppForm::buildAdvancedTab() {
  auto* column = new QVBoxLayout;
  auto* blending = group("GroupBox_Blending", QStringLiteral("Blending frames"));
  auto* blendLayout = new QVBoxLayout(blending);
  blendLayout->addWidget(radioGroup(
      "RadioGroup_Blend_TL", QStringLiteral("Blend frames or make time-lapse"),
      captions(choices::kBlendTimeLapse), 1,
      QStringLiteral("Blending several frames to get temporal blur or to increase video speed")));
  auto* blend = named(new QComboBox, "ComboBox_Blend");
  blend->addItems(captions(choices::kBlend));
  blend->setCurrentIndex(0);
  setHint(blend, QStringLiteral("How many frames to blend or increase speed"));
  blendLayout->addLayout(row({label(QStringLiteral("Blended frames:"), blend), blend}));
  blendLayout->addWidget(
      checkBox("CheckBox_180", QStringLiteral("180o Shutter"),
               QStringLiteral("The resultant video will have 180 degrees shutter angle")));
  blendLayout->addWidget(checkBox("CheckBox_Blend_RightSound", QStringLiteral("Use R audio"),
                                  QStringLiteral("Use right audio instead of left")));
  column->addWidget(blending);

  column->addWidget(radioGroup(
      "RadioGroup_Colour_Match", QStringLiteral("Colo(u)r match reference"),
      captions(choices::kColourMatch), 1, QStringLiteral("Match colours of left and right clip")));

  auto* deshaker = group("GroupBox_Deshaker", QStringLiteral("Deshaker"));
  auto* deshakerLayout = new QVBoxLayout(deshaker);
  deshakerLayout->addWidget(
      checkBox("CheckBox_Deshake", QStringLiteral("Deshaker"),
               QStringLiteral("The video will be deshaked by 2-stage procedure")));
  auto* plugin =
      button("Button_VDub_Plugin", QStringLiteral("Deshaker vdf plugin"),
             QStringLiteral("Select the Deshaker *.vdf file in VirtualDub Plugins directory"));
  connect(plugin, &QPushButton::clicked, this, &TSDIAppForm::Button_VDub_PluginClick);
  labelPlugin_ = named(new QLabel, "Label_VDub_Plugin");
  labelPlugin_->setTextFormat(Qt::PlainText);
  labelPlugin_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  deshakerLayout->addLayout(row({plugin, labelPlugin_}));
  auto* vcf = button("Button_Deshaker_Settings", QStringLiteral("Deshaker vcf settings"),
                     QStringLiteral("Load VirtualDub vcf file containing deshaker settings"));
  connect(vcf, &QPushButton::clicked, this, &TSDIAppForm::Button_Deshaker_SettingsClick);
  deshakerLayout->addLayout(row({vcf}));
  column->addWidget(deshaker);
  return page("TabSheet_Advanced", column);
}

QWidget* TSDIAppForm::buildFfmpegTab() {
  auto* encoding = group("GroupBox_FFMpeg_Encoding", QStringLiteral("FFMpeg Encoding"));
  auto* grid = new QGridLayout(encoding);

  auto* select = button("Button5", QStringLiteral("Select ffmpeg.exe"),
                        QStringLiteral("Select the location of the ffmpeg.exe file"));
  connect(select, &QPushButton::clicked, this, &TSDIAppForm::Button5Click);
  labelFfmpeg_ = named(new QLabel, "Label_ffmpeg");
  labelFfmpeg_->setTextFormat(Qt::PlainText);
  labelFfmpeg_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(select, 0, 0);
  grid->addWidget(labelFfmpeg_, 0, 1, 1, 2);

  presetBox_ = named(new QComboBox, "ComboBox_FF_codec");
  presetBox_->setEditable(true);
  // Typed text stays text: it neither becomes an entry nor is completed from the list.
  presetBox_->setInsertPolicy(QComboBox::NoInsert);
  presetBox_->setCompleter(nullptr);
  // Nor does finishing the edit select an entry whose name was typed: only choosing one does.
  QObject::disconnect(presetBox_->lineEdit(), &QLineEdit::editingFinished, presetBox_, nullptr);
  presetBox_->setEditText(QStringLiteral("utvideo"));
  presetBox_->setMinimumWidth(220);
  setHint(presetBox_, QStringLiteral("Select encoder preset"));
  auto* remove = button("Button_Delete_Preset", QStringLiteral("Delete preset"),
                        QStringLiteral("Delete the chosen preset above"));
  connect(remove, &QPushButton::clicked, this, &TSDIAppForm::Button_Delete_PresetClick);
  grid->addWidget(label(QStringLiteral("Preset"), presetBox_), 1, 0);
  grid->addWidget(presetBox_, 1, 1);
  grid->addWidget(remove, 1, 2);

  auto* parameters = textField("Edit_coding_presets", QString());
  setHint(parameters, QStringLiteral("Parameters of the chosen preset"));
  grid->addWidget(label(QStringLiteral("Parameters"), parameters), 2, 0, 1, 3);
  grid->addWidget(parameters, 3, 0, 1, 3);

  auto* name = textField("Edit_preset_name", QString());
  setHint(name, QStringLiteral("The new preset name. Don't forget to click button \"Save new "
                               "preset\" for saving"));
  grid->addWidget(label(QStringLiteral("New preset name"), name), 4, 0);
  grid->addWidget(name, 4, 1);

  auto* extension = textField("Edit_Video_Extension", QString());
  setHint(extension, QStringLiteral("The resultant video extension for the chosen preset"));
  auto* save = button("Button_new_preset", QStringLiteral("Save New Preset"),
                      QStringLiteral("Save the Preset with shown parameters, name and extension"));
  connect(save, &QPushButton::clicked, this, &TSDIAppForm::Button_new_presetClick);
  grid->addWidget(label(QStringLiteral("Video extension"), extension), 5, 0);
  grid->addWidget(extension, 5, 1);
  grid->addWidget(save, 5, 2);
  grid->setColumnStretch(1, 1);

  auto* column = new QVBoxLayout;
  column->addWidget(encoding);
  return page("TabSheet_FFmpeg", column);
}

QWidget* TSDIAppForm::buildVirtualDubTab() {
  auto* files = group("GroupBox_VirtualDub", QStringLiteral("VirtualDub files and settings"));
  auto* grid = new QGridLayout(files);
  struct Row {
    const char* button;
    const char* caption;
    const char* field;
    const char* hint;
    void (TSDIAppForm::*click)();
  };
  const Row rows[] = {
      {"Button1", "VCF for deinterlacing", "Edit_vcf_deint",
       "Choose VCF VirtulaDub file used for deinterlacing video clips (including encoder "
       "selection).",
       &TSDIAppForm::Button1Click},
      {"Button2", "VCF for separate output", "Edit_vcf_separate",
       "Choose VirtualDub VCF file used when exporting separate files.",
       &TSDIAppForm::Button2Click},
      {"Button3", "VCF for LR or OU output", "Edit_vcf_LR",
       "Choose VirtualDub VCF file used when exporting side-by-side and over-under files.",
       &TSDIAppForm::Button3Click},
      {"Button4", "VirtualDub #2", "Edit_VD2",
       "Select VirtulaDub.exe file in another (not original) directory. Use it if wanting to "
       "increase encodeing process, especially during deinterlacing when using MSU deinterlacer. "
       "Don't forget to choose \"Use 2 VirtualDubs\" option below.",
       &TSDIAppForm::Button4Click},
  };
  int line = 0;
  for (const Row& r : rows) {
    const QString hint = QString::fromLatin1(r.hint);
    auto* push = button(r.button, QString::fromLatin1(r.caption), hint);
    connect(push, &QPushButton::clicked, this, r.click);
    auto* field = textField(r.field, QString());
    setHint(field, hint);
    grid->addWidget(push, line, 0);
    grid->addWidget(field, line, 1);
    ++line;
  }
  grid->addWidget(
      checkBox("CheckBox_Output_DI", QStringLiteral("Deinterlace"),
               QStringLiteral("Deinterlace the footage. Don't forget to choose VirtulaDub VCF file "
                              "for deinterlacing above. If output format = \"separate files\" and  "
                              "there is no repeat/skipped frames or change of output frame-rates, "
                              "only intermediate deinterlaced files will be created with avs "
                              "files.")),
      line++, 0, 1, 2);
  grid->addWidget(checkBox("CheckBox_Output_DI_Phase", QStringLiteral("Do only deinterlace phase"),
                           QStringLiteral("If checked, deinterlace will be executed, but the final "
                                          "file will be only in Avisynth form (*.avs)"),
                           HintPlace::StatusBarOnly),
                  line++, 0, 1, 2);
  grid->setColumnStretch(1, 1);

  auto* column = new QVBoxLayout;
  column->addWidget(files);
  return page("TabSheet_VirtualDub", column);
}

QWidget* TSDIAppForm::buildHandOffBoxes() {
  auto* boxes = named(new QWidget, "Panel_HandOff");
  auto* layout = new QVBoxLayout(boxes);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(row(
      {checkBox("CheckBox_ffmpeg_make", QStringLiteral("Make ffmpeg *.bat file"),
                QStringLiteral("Make ffmpeg encoding file in the form of *.bat file with the same "
                               "name as created Avisynth file")),
       checkBox("CheckBox_Execute_ffmpeg", QStringLiteral("Execute ffmpeg"),
                QStringLiteral("The ffmpeg bat file will be run after selection of input files"),
                HintPlace::StatusBarOnly)}));
  layout->addLayout(row(
      {checkBox("CheckBox_VD_MakeJobs", QStringLiteral("Make VirtualDub Job file(s)"),
                QStringLiteral("Make VirtualDub job file and run VirtualDub(s) if desired")),
       checkBox("CheckBox_Execute_VD", QStringLiteral("Execute VirtualDub"),
                QStringLiteral("After selection of files, VirtualDub will be started")),
       checkBox("CheckBox_2VD", QStringLiteral("Use 2 VirtualDubs (faster)"),
                QStringLiteral("Use two VirtualDubs working in parallel to increase "
                               "deinterlacing/coding speed. Don't forget to select VirtualDub #2 "
                               "exe file location above (you can copy entire original VirtualDub "
                               "directory with sub-directories to some other location, "
                               "first!)."))}));
  return boxes;
}

void TSDIAppForm::buildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));

  QMenu* file = named(bar->addMenu(QStringLiteral("&File")), "File1");
  file->menuAction()->setStatusTip(QStringLiteral("File related commands"));
  QAction* convert = file->addAction(QStringLiteral("Convert files"), this, &TSDIAppForm::M1Click);
  convert->setObjectName(QStringLiteral("M1"));
  convert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  reportAction_ =
      file->addAction(QStringLiteral("Last run report"), this, &TSDIAppForm::RunReport1Click);
  reportAction_->setObjectName(QStringLiteral("RunReport1"));
  setHint(reportAction_, QStringLiteral("Last run report|Shows every file the last conversion "
                                        "wrote and every program it started"));
  reportAction_->setEnabled(false);
  file->addAction(QStringLiteral("Load Layout"), this, &TSDIAppForm::LoadLayout1Click)
      ->setObjectName(QStringLiteral("LoadLayout1"));
  file->addAction(QStringLiteral("Save Layout"), this, &TSDIAppForm::SaveLayout1Click)
      ->setObjectName(QStringLiteral("SaveLayout1"));
  file->addSeparator();
  QAction* exit = file->addAction(QStringLiteral("E&xit"), this, &TSDIAppForm::FileExit1Execute);
  exit->setObjectName(QStringLiteral("FileExit1"));
  setHint(exit, QStringLiteral("Exit|Exit application"));

  editMenu_ = named(bar->addMenu(QStringLiteral("&Edit")), "Edit1");
  editMenu_->menuAction()->setStatusTip(QStringLiteral("Edit commands"));
  cutAction_ = editMenu_->addAction(QStringLiteral("Cu&t"), this, [this] {
    if (QLineEdit* field = focusedTextField()) field->cut();
  });
  cutAction_->setObjectName(QStringLiteral("EditCut1"));
  cutAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  setHint(cutAction_, QStringLiteral("Cut|Cuts the selection and puts it on the Clipboard"));
  copyAction_ = editMenu_->addAction(QStringLiteral("&Copy"), this, [this] {
    if (QLineEdit* field = focusedTextField()) field->copy();
  });
  copyAction_->setObjectName(QStringLiteral("EditCopy1"));
  copyAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  setHint(copyAction_, QStringLiteral("Copy|Copies the selection and puts it on the Clipboard"));
  pasteAction_ = editMenu_->addAction(QStringLiteral("&Paste"), this, [this] {
    if (QLineEdit* field = focusedTextField()) field->paste();
  });
  pasteAction_->setObjectName(QStringLiteral("EditPaste1"));
  pasteAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  setHint(pasteAction_, QStringLiteral("Paste|Inserts Clipboard contents"));
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

  QMenu* help = named(bar->addMenu(QStringLiteral("&Help")), "Help1");
  help->menuAction()->setStatusTip(QStringLiteral("Help topics"));
  QAction* about =
      help->addAction(QStringLiteral("&About..."), this, &TSDIAppForm::HelpAbout1Execute);
  about->setObjectName(QStringLiteral("HelpAbout1"));
  setHint(about, QStringLiteral("About|Displays program information, version number, and "
                                "copyright"));

  for (QMenu* menu : {file, editMenu_, help}) {
    menu->setToolTipsVisible(true);
    // While a menu is open the status bar shows the hints of the menu and its items; the mouse
    // leaving the control under it as the menu opens must not wipe them.
    connect(menu, &QMenu::aboutToShow, this, [this] { menuOpen_ = true; });
    connect(menu, &QMenu::aboutToHide, this, [this] { menuOpen_ = false; });
  }
}

// Every control named after a field writes its changes into the record at once; the rules follow.
void TSDIAppForm::bindFields() {
  for (const SettingsField& field : settingsFields()) {
    QWidget* widget = findChild<QWidget*>(
        QString::fromLatin1(field.name.data(), static_cast<qsizetype>(field.name.size())));
    if (!widget || widget == presetBox_) continue;
    if (auto* group = qobject_cast<RadioGroup*>(widget)) {
      int ConversionSettings::*member = std::get<int ConversionSettings::*>(field.member);
      connect(group, &RadioGroup::itemIndexChanged, this, [this, member](int index) {
        if (updating_) return;
        settings_.*member = index;
        applyRules();
      });
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      bool ConversionSettings::*member = std::get<bool ConversionSettings::*>(field.member);
      connect(box, &QCheckBox::toggled, this, [this, member](bool checked) {
        if (updating_) return;
        settings_.*member = checked;
        applyRules();
      });
    } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
      int ConversionSettings::*member = std::get<int ConversionSettings::*>(field.member);
      connect(list, &QComboBox::currentIndexChanged, this, [this, member](int index) {
        if (updating_) return;
        settings_.*member = index;
      });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      std::string ConversionSettings::*member =
          std::get<std::string ConversionSettings::*>(field.member);
      connect(edit, &QLineEdit::textChanged, this, [this, member](const QString& text) {
        if (updating_) return;
        settings_.*member = toCore(text);
      });
    }
  }

  connect(presetBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (updating_) return;
    settings_.ComboBox_FF_codec = index;
    ComboBox_FF_codecChange();
  });
  connect(presetBox_->lineEdit(), &QLineEdit::textEdited, this, &TSDIAppForm::presetTextEdited);

  for (QLineEdit* field : findChildren<QLineEdit*>()) {
    connect(field, &QLineEdit::selectionChanged, this, &TSDIAppForm::updateEditActions);
  }
}

namespace {

void setFieldText(QLineEdit* field, const QString& text) {
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
      int& index = settings_.*std::get<int ConversionSettings::*>(field.member);
      group->setItemIndex(index);
      index = group->itemIndex();
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      box->setChecked(settings_.*std::get<bool ConversionSettings::*>(field.member));
    } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
      int& index = settings_.*std::get<int ConversionSettings::*>(field.member);
      index = ConversionSettings::dropDownIndex(index, list->count());
      list->setCurrentIndex(index);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      setFieldText(edit,
                   fromCore(settings_.*std::get<std::string ConversionSettings::*>(field.member)));
    }
  }
  labelFfmpeg_->setText(fromCore(settings_.FfmpegLocation));
  labelPlugin_->setText(fromCore(settings_.DeshakerDir));
  updating_ = false;
  if (presets_) selectPreset(settings_.ComboBox_FF_codec);
  applyRules();
}

void TSDIAppForm::showPresetFields() {
  updating_ = true;
  for (const char* name : {"Edit_coding_presets", "Edit_Video_Extension", "Edit_preset_name"}) {
    const SettingsField* field = findSettingsField(name);
    setFieldText(findChild<QLineEdit*>(QString::fromLatin1(name)),
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
  ComboBox_FF_codecChange();
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

void TSDIAppForm::applyRule(std::string_view handler) {
  applyRule(*window::findControlRule(handler));
}

void TSDIAppForm::CheckBox_change_final_HVClick() {
  applyRule("CheckBox_change_final_HVClick");
}

void TSDIAppForm::CheckBox_ffmpeg_makeClick() {
  applyRule("CheckBox_ffmpeg_makeClick");
}

void TSDIAppForm::CheckBox_VD_MakeJobsClick() {
  applyRule("CheckBox_VD_MakeJobsClick");
}

void TSDIAppForm::RadioGroup_FrameRatesClick() {
  applyRule("RadioGroup_FrameRatesClick");
}

void TSDIAppForm::RadioGroup_Import_OptionsClick() {
  applyRule("RadioGroup_Import_OptionsClick");
}

template <typename Action>
void TSDIAppForm::guarded(Action&& action) {
  try {
    action();
  } catch (const std::exception& error) {
    showError(error.what());
  }
}

void TSDIAppForm::showError(const std::string& message) {
  showingError_ = true;
  prompter_.showError(fromCore(Error::displayText(message)));
  showingError_ = false;
}

std::optional<QString> TSDIAppForm::chooseFile(const QString& title, const QString& filter,
                                               const std::string& pathForFolder, bool multiple) {
  const auto chosen =
      prompter_.openFiles(title, filter, fromCore(paths::dir(pathForFolder)), multiple);
  if (!chosen || chosen->isEmpty()) return std::nullopt;
  return chosen->first();
}

// ---- start-up and close ----

void TSDIAppForm::FormActivate() {
  if (activated_) return;
  activated_ = true;
  presets_ = std::make_unique<PresetsFile>(files_.presetsPath);
  fillPresetList();
  loadSettingsFrom(files_.settingsPath);
}

bool TSDIAppForm::FormClose() {
  // A window closed before its settings were read would overwrite them with the defaults.
  if (!activated_) return true;
  try {
    SaveSettings(settings_, files_.settingsPath);
    return true;
  } catch (const std::exception& error) {
    showError(error.what());
    return false;
  }
}

void TSDIAppForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !activated_) {
    // Read the files once the activation is over, so that an error box does not open inside it.
    QTimer::singleShot(0, this, &TSDIAppForm::FormActivate);
  }
}

void TSDIAppForm::closeEvent(QCloseEvent* event) {
  if (FormClose()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void TSDIAppForm::loadSettingsFrom(const std::string& path) {
  try {
    std::vector<std::string> listed;
    for (int i = 0; i < presetBox_->count(); ++i) listed.push_back(toCore(presetBox_->itemText(i)));
    LoadSettings(settings_, path, presets_.get(), programFolder_, &listed);
  } catch (const std::exception& error) {
    // What was read before the error stays applied, and the controls show it.
    showSettings();
    showError(error.what());
    return;
  }
  // The prefix field shows the loaded prefix only once loading has read everything; otherwise it
  // keeps its text, which the prefix follows again at the next key release.
  setFieldText(editPrefix_, fromCore(settings_.Prefix));
  showSettings();
}

// ---- menu ----

void TSDIAppForm::M1Click() {
  runFrontEnd_.clearWritten();
  guarded([&] { run_.M1Click(); });
  // Afterwards the status bar tells what the run did, until the mouse brings up a hint.
  const RunReport& report = run_.report();
  if (!report.ran()) return;
  statusBar()->showMessage(fromCore(report.statusText()));
  reportAction_->setEnabled(true);
}

void TSDIAppForm::RunReport1Click() {
  auto* dialog = new RunReportDialog(runFrontEnd_.written(), run_.report(), folderOpener_, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

void TSDIAppForm::LoadLayout1Click() {
  const auto chosen = chooseFile(QStringLiteral("Select the layout file"),
                                 QString::fromLatin1(kLayoutFilter), std::string(), false);
  if (chosen) loadSettingsFrom(toCore(*chosen));
}

void TSDIAppForm::SaveLayout1Click() {
  const auto chosen =
      prompter_.saveFile(QStringLiteral("Select filename for saving the current layout"),
                         QString::fromLatin1(kLayoutFilter), QString(), QStringLiteral("lay"));
  if (chosen) guarded([&] { SaveSettings(settings_, toCore(*chosen)); });
}

void TSDIAppForm::FileExit1Execute() {
  close();
}

void TSDIAppForm::HelpAbout1Execute() {
  aboutBox_->exec();
}

// ---- file-selection buttons ----

void TSDIAppForm::Button1Click() {
  const auto chosen =
      chooseFile(QStringLiteral("Select VirtualDub vcf file for deinterlacing video"),
                 QStringLiteral("All Files (*.*)|*.*"), settings_.VcfDeint, false);
  if (!chosen) return;
  settings_.setVcfDeint(toCore(*chosen));
  showSettings();
}

void TSDIAppForm::Button2Click() {
  const auto chosen = chooseFile(
      QStringLiteral("Select VirtualDub vcf file for output files without deinterlacing"),
      QString(), settings_.VcfSeparate, true);
  if (!chosen) return;
  settings_.setVcfSeparate(toCore(*chosen));
  showSettings();
}

void TSDIAppForm::Button3Click() {
  const auto chosen =
      chooseFile(QStringLiteral("Select VirtualDub vcf file for output files after deinterlacing"),
                 QString(), settings_.VcfLR, true);
  if (!chosen) return;
  settings_.setVcfLR(toCore(*chosen));
  showSettings();
}

void TSDIAppForm::Button4Click() {
  const auto chosen = chooseFile(QStringLiteral("Select the second VirtualDub.exe"),
                                 QStringLiteral("Exe Files (*.exe)|*.exe|All files (*.*)|*.*"),
                                 settings_.Edit_VD2, false);
  if (!chosen) return;
  settings_.Edit_VD2 = toCore(*chosen);
  showSettings();
}

void TSDIAppForm::Button5Click() {
  const auto chosen = prompter_.openFiles(
      QStringLiteral("Select ffmpeg.exe file which will be used for encoding the video files"),
      QStringLiteral("Exe files (*.exe)|*.exe"), fromCore(settings_.FfmpegDialogFolder), false);
  if (!chosen || chosen->isEmpty()) return;
  settings_.FfmpegLocation = toCore(chosen->first());
  showSettings();
}

void TSDIAppForm::Button_VDub_PluginClick() {
  const auto chosen = prompter_.openFiles(
      QStringLiteral("Select VirtualDub Deshaker plugin (in VirtualDub\\Plugins directory)"),
      QString(), QString(), false);
  if (!chosen || chosen->isEmpty()) return;
  settings_.DeshakerDir = toCore(chosen->first());
  showSettings();
}

void TSDIAppForm::Button_Deshaker_SettingsClick() {
  const auto chosen = prompter_.openFiles(QStringLiteral("Select Deshaker VirtualDub vcf file"),
                                          QString(), QString(), false);
  if (!chosen || chosen->isEmpty()) return;
  guarded([&] { importDeshakerSettings(settings_, toCore(chosen->first())); });
}

// ---- presets ----

void TSDIAppForm::fillPresetList() {
  if (!presets_) return;
  std::vector<std::string> names;
  try {
    names = presets_->names();
  } catch (const std::exception& error) {
    showError(error.what());
  }
  updating_ = true;
  const QString text = presetBox_->currentText();
  presetBox_->clear();
  for (const std::string& name : names) presetBox_->addItem(fromCore(name));
  updating_ = false;
  presetBox_->setEditText(text);
  selectPreset(-1);
}

void TSDIAppForm::ComboBox_FF_codecChange() {
  if (!presets_) return;
  const int index = presetBox_->currentIndex();
  const std::string name = index >= 0 ? toCore(presetBox_->itemText(index)) : std::string();
  guarded([&] { presets_->showPreset(settings_, name); });
  showPresetFields();
}

void TSDIAppForm::Button_new_presetClick() {
  if (!presets_) return;
  try {
    presets_->save(settings_.Edit_preset_name, settings_.Edit_coding_presets,
                   settings_.Edit_Video_Extension);
  } catch (const std::exception& error) {
    showError(error.what());
    return;
  }
  fillPresetList();
}

void TSDIAppForm::Button_Delete_PresetClick() {
  if (!presets_) return;
  if (!prompter_.askOkCancel(QStringLiteral("Error"),
                             QStringLiteral("Do you really want to delete the chosen preset?"))) {
    return;
  }
  const int index = presetBox_->currentIndex();
  const std::string name = index >= 0 ? toCore(presetBox_->itemText(index)) : std::string();
  try {
    presets_->remove(name);
  } catch (const std::exception& error) {
    showError(error.what());
    return;
  }
  // The first entry's name stays in the box; the preset fields keep the deleted preset.
  if (presetBox_->count() > 0) selectPreset(0);
  fillPresetList();
}

// ---- key releases ----

void TSDIAppForm::Edit_PrefixKeyUp() {
  settings_.setPrefix(toCore(editPrefix_->text()));
}

void TSDIAppForm::Edit_User_FRKeyUp() {
  guarded([&] { settings_.setUserFrNumText(toCore(editFrNum_->text())); });
}

void TSDIAppForm::Edit_FR_DenKeyUp() {
  guarded([&] { settings_.setUserFrDenText(toCore(editFrDen_->text())); });
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
