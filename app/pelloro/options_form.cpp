#include "options_form.h"

#include <string>

#include "about_box.h"
#include "association_form.h"
#include "captions.h"
#include "forms/application.h"
#include "forms/label.h"
#include "forms/message_dialogs.h"
#include "forms/reg_ini_file.h"

namespace pelloro {

namespace {

constexpr char kSelectFirst[] = "Select a type to edit first";

forms::FormCreateArgs OptionsArgs() {
  forms::FormCreateArgs args;
  args.caption = "Configure Options for Pelloro '95";
  args.width = 440;
  args.height = 330;
  args.clientSize = true;
  args.borderStyle = forms::BorderStyle::bsDialog;
  args.position = forms::FormPosition::poScreenCenter;
  return args;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

TOptionsfrm::TOptionsfrm(forms::Component* owner) : Form(owner, OptionsArgs()) {
  SetName("Optionsfrm");
  using forms::Add;
  using forms::Label;
  PageControl1 = Add<forms::PageControl>(this, this, "PageControl1",
                                         {.left = 8, .top = 8, .width = 424, .height = 276});
  auto* general = new forms::TabSheet(this, PageControl1, "&General Options");
  general->SetName("TabSheet1");
  auto* associations = new forms::TabSheet(this, PageControl1, "Viewing &Associations");
  associations->SetName("TabSheet2");
  auto* details = new forms::TabSheet(this, PageControl1, "&Version Details");
  details->SetName("TabSheet3");

  Add<Label>(this, general, "Label1",
             {.caption = "When opening a file, Pelloro should...", .left = 10, .top = 10});
  RadioGroup1 = Add<forms::RadioGroup>(this, general, "RadioGroup1",
                                       {.caption = "Choices",
                                        .left = 10,
                                        .top = 28,
                                        .width = 396,
                                        .height = 66,
                                        .items = {"Use the &standard Open Dialog interface",
                                                  "Use Pelloro's &Favourites Folder (Default)"}});
  CheckBox1 = Add<forms::CheckBox>(
      this, general, "CheckBox1",
      {.caption = "Show me &tips when I start Pelloro '95", .left = 10, .top = 104, .width = 396});
  CheckBox2 = Add<forms::CheckBox>(
      this, general, "CheckBox2",
      {.caption = "Show system icons for files in Zip file", .left = 10, .top = 130, .width = 396});
  Add<Label>(this, general, "Label2",
             {.caption = "NOTE: This is not recommended that you enable this option unless you "
                         "have a VERY fast system.  It will slow down the loading time of Pelloro "
                         "'95 by around 4 seconds.",
              .left = 28,
              .top = 152,
              .width = 378,
              .height = 42,
              .autoSize = false,
              .wordWrap = true});

  Add<Label>(this, associations, "Label3",
             {.caption = "Choose how the View command shows each type of file.  Select a type "
                         "and click Modify to change it, or Remove to forget it.",
              .left = 10,
              .top = 8,
              .width = 396,
              .height = 28,
              .autoSize = false,
              .wordWrap = true});
  View_Files = Add<forms::ListView>(this, associations, "View_Files",
                                    {.left = 10,
                                     .top = 40,
                                     .width = 396,
                                     .height = 160,
                                     .viewStyle = forms::ViewStyle::vsReport,
                                     .hideSelection = false});
  View_Files->AddColumn("File Extension", 150);
  View_Files->AddColumn("View Method", 220);
  Removebtn = Add<forms::Button>(this, associations, "Removebtn",
                                 {.caption = "&Remove", .left = 236, .top = 208, .width = 80});
  Modifybtn = Add<forms::Button>(this, associations, "Modifybtn",
                                 {.caption = "&Modify", .left = 326, .top = 208, .width = 80});

  Version_List = Add<forms::ListView>(this, details, "Version_List",
                                      {.left = 10,
                                       .top = 10,
                                       .width = 396,
                                       .height = 220,
                                       .viewStyle = forms::ViewStyle::vsReport});
  Version_List->AddColumn("Item", 150);
  Version_List->AddColumn("Data", 220);
  const struct {
    const char* item;
    const char* data;
  } rows[] = {{"Program", kAppTitle},
              {"Version", kProgramVersion},
              {"Compression control", "QX30W32"},
              {"Settings", "HKEY_CURRENT_USER\\Software\\Pelloro95"}};
  for (const auto& row : rows) {
    const int index = Version_List->AddItem(row.item);
    Version_List->SetItemText(index, 1, row.data);
  }

  Okbtn = Add<forms::Button>(
      this, this, "Okbtn",
      {.caption = "&Ok", .left = 262, .top = 294, .width = 80, .isDefault = true});
  Cancelbtn = Add<forms::Button>(this, this, "Cancelbtn",
                                 {.caption = "&Cancel",
                                  .left = 352,
                                  .top = 294,
                                  .width = 80,
                                  .cancel = true,
                                  .modalResult = forms::mrCancel});

  OnShow = [this](forms::Component&) { FormShow(); };
  Okbtn->OnClick = [this](forms::Component&) { OkbtnClick(); };
  Removebtn->OnClick = [this](forms::Component&) { RemovebtnClick(); };
  Modifybtn->OnClick = [this](forms::Component&) { ModifybtnClick(); };
  View_Files->OnDblClick = [this](forms::Component&) { ModifybtnClick(); };
}

void TOptionsfrm::FormShow() {
  View_Files->Clear();
  forms::RegIniFile settings(kSettingsKey);
  RadioGroup1->SetItemIndex(Upper(settings.ReadString("", "UseFav", "TRUE")) == "TRUE" ? 1 : 0);
  CheckBox1->SetChecked(settings.ReadInteger("", "ShowTips", 1) == 1);
  const int total = settings.ReadInteger("Associations", "Total", 0);
  for (int n = 0; n < total; ++n) {
    const std::string name = std::to_string(n);
    const int row = View_Files->AddItem(settings.ReadString("Associations", name, ".Unknown"));
    View_Files->SetItemText(row, 1, settings.ReadString("Associations", name + "Dat", "<Unknown>"));
  }
  CheckBox2->SetChecked(settings.ReadInteger("", "WantSystemImages", 0) == 1);
}

void TOptionsfrm::OkbtnClick() {
  {
    forms::RegIniFile settings(kSettingsKey);
    settings.WriteString("", "UseFav", RadioGroup1->ItemIndex() == 0 ? "False" : "True");
    settings.WriteInteger("", "ShowTips", CheckBox1->Checked() ? 1 : 0);
    settings.EraseSection("Associations");
    const int rows = View_Files->Count();
    for (int n = 0; n < rows; ++n) {
      const std::string name = std::to_string(n);
      settings.WriteString("Associations", name, View_Files->ItemText(n, 0));
      settings.WriteString("Associations", name + "Dat", View_Files->ItemText(n, 1));
    }
    settings.WriteInteger("Associations", "Total", rows);
    if (CheckBox2->Checked()) {
      settings.WriteInteger("", "WantSystemImages", 1);
      forms::MessageDlg(
          "Note: You have made changes that will require you to restart Pelloro '95 to see "
          "them.\r\n\r\nPlease remember that enabling System Images for zip files will slow down "
          "Pelloro's loading time.",
          forms::MsgDlgType::mtConfirmation, forms::mbOK, 0);
    } else {
      settings.WriteInteger("", "WantSystemImages", 0);
    }
  }
  SetModalResult(forms::mrOk);
}

void TOptionsfrm::RemovebtnClick() {
  const int row = View_Files->Selected();
  if (row < 0) {
    forms::MessageDlg(kSelectFirst, forms::MsgDlgType::mtError, forms::mbCancel, 0);
    return;
  }
  View_Files->DeleteItem(row);
}

void TOptionsfrm::ModifybtnClick() {
  const int row = View_Files->Selected();
  if (row < 0) {
    forms::MessageDlg(kSelectFirst, forms::MsgDlgType::mtError, forms::mbCancel, 0);
    return;
  }
  TAssociationfrm association(nullptr);
  association.File_Extension->SetCaption(View_Files->ItemText(row, 0));
  association.ComboBox1->SetItemIndex(ViewMethodItem(View_Files->ItemText(row, 1)));
  if (association.ShowModal() == forms::mrCancel) return;
  View_Files->SetItemText(row, 1, ViewMethodText(association.ComboBox1->ItemIndex()));
  View_Files->Repaint();
}

}  // namespace pelloro
