// The main window's event bindings, fed by an echo control of the test's own (same interfaces as
// QX30W32): each bound event writes the progress window's texts; nothing happens while there is
// no progress window (the command-line open runs before it exists); a control class that is not
// registered makes the main window's creation fail with the OLE error and start-up end with exit
// code 2 after the standard exception message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_test_support.h"
#include "echo_control_test_support.h"
#include "captions.h"
#include "startup.h"

namespace {

using pelloro::TMainfrm;

struct Arg {
  VARTYPE type;
  long number;
  const wchar_t* text;
};

class EchoEventsTest : public apptest::AppTest {
 protected:
  void SetUp() override {
    apptest::AppTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(server_.registered());
    pelloro::TMainfrmOptions options;
    options.ControlClass = &echotest::kEchoClassId;
    main = &MakeMain(options);
  }
  // Fires event DISPID id with its arguments in declaration order.
  void Fire(DISPID id, std::vector<Arg> args) {
    std::vector<VARIANT> values(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
      VariantInit(&values[i]);
      V_VT(&values[i]) = args[i].type;
      if (args[i].type == VT_BSTR) {
        V_BSTR(&values[i]) = SysAllocString(args[i].text);
      } else if (args[i].type == VT_I2) {
        V_I2(&values[i]) = static_cast<SHORT>(args[i].number);
      } else if (args[i].type == VT_BOOL) {
        V_BOOL(&values[i]) = static_cast<VARIANT_BOOL>(args[i].number);
      } else {
        V_I4(&values[i]) = args[i].number;
      }
    }
    ASSERT_NE(server_.state.control, nullptr);
    server_.state.control->FireEvent(id, values.data(), static_cast<UINT>(values.size()));
    for (VARIANT& v : values) VariantClear(&v);
  }
  std::string Status() { return main->Op()->Status->Caption(); }
  std::string ProgStatus() { return main->Op()->Prog_Status->Caption(); }
  int Bar() { return main->Op()->Progress->Position(); }

  echotest::EchoServer server_;
  TMainfrm* main = nullptr;
};

TEST_F(EchoEventsTest, EachBoundEventWritesItsTexts) {
  main->Op()->Show();
  Fire(16, {{VT_BSTR, 0, L"Gr\u00FC\u00DFe.txt"}, {VT_I2, 12, nullptr}});  // ZNZipping2
  EXPECT_EQ(Status(),
            "Gr\xFC\xDF"
            "e.txt");
  EXPECT_EQ(Bar(), 12);
  Fire(17, {{VT_BSTR, 0, L"caf\u00E9.txt"}, {VT_I2, 100, nullptr}});  // ZNFileZipped
  EXPECT_EQ(Status(), "caf\xE9.txt");
  EXPECT_EQ(ProgStatus(), "Compression Rate %");
  EXPECT_EQ(Bar(), 100);
  Fire(2, {{VT_BSTR, 0, L"docs\\x.txt"}, {VT_I2, 33, nullptr}});  // ZNExpanding
  EXPECT_EQ(ProgStatus(), "docs\\x.txt");
  EXPECT_EQ(Bar(), 33);
  Fire(21, {{VT_BSTR, 0, L"y.txt"}, {VT_I2, 44, nullptr}});  // ZNEncrypt
  EXPECT_EQ(Status(), "Encrypting y.txt");
  EXPECT_EQ(ProgStatus(), "Rate Done (%)");
  Fire(24, {{VT_BSTR, 0, L"z.txt"}});  // ZNDeleting
  EXPECT_EQ(Status(), "Deleting z.txt");
  Fire(4, {{VT_BSTR, 0, L"t.txt"}, {VT_BOOL, 1, nullptr}});  // ZNTest, TRUE sent as 1
  EXPECT_EQ(Status(), "Testing t.txt");
  EXPECT_EQ(ProgStatus(), "Previous file error free");
  Fire(4, {{VT_BSTR, 0, L"u.txt"}, {VT_BOOL, 0, nullptr}});
  EXPECT_EQ(ProgStatus(), "Previous file corrupt");
  Fire(4, {{VT_BSTR, 0, L"v.txt"}, {VT_BOOL, -1, nullptr}});
  EXPECT_EQ(ProgStatus(), "Previous file error free");
  Fire(13, {});  // ZNMakeEXEStep1
  EXPECT_EQ(ProgStatus(), "Creating Brindle-SFX (part 1)");
  Fire(14, {{VT_I2, 66, nullptr}});  // ZNMakeEXEStep2
  EXPECT_EQ(ProgStatus(), "Creating Brindle-SFX (part 2)");
  EXPECT_EQ(Bar(), 66);
  Fire(11, {{VT_BSTR, 0, L"A:\\DISK1.ZIP"}});  // ZNBackupBuildZip
  EXPECT_EQ(Status(), "Building Disk image");
  EXPECT_EQ(ProgStatus(), "A:\\DISK1.ZIP");
  Fire(12, {{VT_I4, -2147483647L - 1, nullptr}});  // ZNBackupZipDone
  EXPECT_EQ(Status(), "Entering Image Copy");
  EXPECT_EQ(ProgStatus(), "Image size -2147483648");
  Fire(9, {{VT_BSTR, 0, L"A:\\R.ZIP"}});  // ZNRestoreBuildZip
  EXPECT_EQ(Status(), "A:\\R.ZIP");
  Fire(10, {{VT_I4, 65536, nullptr}});  // ZNRestoreZipDone
  EXPECT_EQ(ProgStatus(), "65536bts buffer allocated");
  Fire(22, {{VT_I2, -1, nullptr}, {VT_BSTR, 0, L"PART1.ZIP"}});  // ZNSplitting
  EXPECT_EQ(Status(), "PART1.ZIP");
  EXPECT_EQ(ProgStatus(), "Size = -1");
  Fire(23, {{VT_I2, 3, nullptr}, {VT_I4, 1457664, nullptr}});  // ZNSplitted
  EXPECT_EQ(Status(), "Part 3");
  EXPECT_EQ(ProgStatus(), "Size 1457664");
  // The ten unbound events change nothing.
  const std::string status = Status(), progStatus = ProgStatus();
  Fire(1, {{VT_BSTR, 0, L"open"}});
  Fire(3, {{VT_BSTR, 0, L"close"}, {VT_BOOL, -1, nullptr}});
  Fire(15, {{VT_BSTR, 0, L"zipping"}, {VT_I2, 5, nullptr}});
  Fire(18, {{VT_BSTR, 0, L"writing"}});
  Fire(20, {{VT_I2, 7, nullptr}});
  EXPECT_EQ(Status(), status);
  EXPECT_EQ(ProgStatus(), progStatus);
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(EchoEventsTest, EventsBeforeTheProgressWindowExistsDoNothing) {
  pelloro::TOp* op = main->Op();
  main->SetOp(nullptr);
  Fire(17, {{VT_BSTR, 0, L"early.txt"}, {VT_I2, 50, nullptr}});
  Fire(24, {{VT_BSTR, 0, L"early.txt"}});
  main->ShowActivity('A');
  main->SetOp(op);
  EXPECT_EQ(Status(), "Status - Wait");
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(EchoEventsTest, AFailedCallEndsOnlyItsCommand) {
  main->Show();
  server_.state.answer = [](const echotest::RawCall&, VARIANT*, EXCEPINFO* exception) {
    exception->bstrDescription = SysAllocString(L"The list cannot be built");
    return DISP_E_EXCEPTION;
  };
  EXPECT_THROW(main->OpenByTheRoad("C:\\any.zip"), std::exception);
  EXPECT_EQ(main->QXCtrl1->CallsInProgress(), 0);
  EXPECT_FALSE(main->Op()->Visible());
  EXPECT_FALSE(main->MSListview1->Visible());
  EXPECT_EQ(main->Caption(), pelloro::kCaptionIdle);
}

TEST_F(EchoEventsTest, AFailedCommandLineOpenReportsAndStartUpGoesOn) {
  server_.state.answer = [](const echotest::RawCall&, VARIANT*, EXCEPINFO* exception) {
    exception->bstrDescription = SysAllocString(L"The list cannot be built");
    return DISP_E_EXCEPTION;
  };
  main->SetOp(nullptr);
  main_.reset();
  pelloro::TMainfrmOptions options;
  options.ControlClass = &echotest::kEchoClassId;
  options.Argument = "\"C:\\any.zip\"";
  TMainfrm* second = nullptr;
  ASSERT_NO_THROW(second = &MakeMain(options));
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_NE(exceptions[0].find("The list cannot be built"), std::string::npos) << exceptions[0];
  EXPECT_EQ(second->QXCtrl1->CallsInProgress(), 0);
  EXPECT_FALSE(second->MSListview1->Visible());
  EXPECT_EQ(second->StatusBar1->PanelText(0), "(no open file)");
  second->Show();
  EXPECT_EQ(second->Caption(), pelloro::kCaptionIdle);
  exceptions.clear();
}

// {0E3C7F55-19A2-4B8D-8F3E-6D2A1C9B7E40}: registered nowhere.
constexpr CLSID kUnregistered = {
    0x0e3c7f55, 0x19a2, 0x4b8d, {0x8f, 0x3e, 0x6d, 0x2a, 0x1c, 0x9b, 0x7e, 0x40}};

TEST(UnregisteredControl, CreationFailsWithClassNotRegisteredAndStartUpEndsWith2) {
  if (!apptest::CanCreateWindows()) GTEST_SKIP() << "no display: run under xvfb-run";
  std::vector<std::string> messages;
  forms::App().OnException = [&](const std::string& text) { messages.push_back(text); };
  pelloro::TMainfrmOptions options;
  options.ControlClass = &kUnregistered;
  std::string what;
  try {
    TMainfrm main(nullptr, options);
  } catch (const std::exception& error) {
    what = error.what();
  }
  EXPECT_FALSE(what.empty());
  EXPECT_EQ(pelloro::kExitStartFailed, pelloro::RunPelloro(&kUnregistered));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], what);
  forms::App().OnException = nullptr;
  forms::App().Title = "Pelloro tests";
}

}  // namespace
