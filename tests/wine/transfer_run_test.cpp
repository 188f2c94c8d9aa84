// The transfer run up to the client, and the clean-up of leftover control
// files, in a throw-away program folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "log/message_log.h"
#include "machines/machine_record.h"
#include "platform/files.h"
#include "resources/resource.h"
#include "tests/rig/message_box_capture.h"
#include "tests/wine/temp_program_folder.h"
#include "tests/wine/control_text.h"
#include "transfer/client_process.h"
#include "transfer/control_file.h"
#include "transfer/file_list_pieces.h"
#include "transfer/server_file_list.h"
#include "transfer/temp_cleanup.h"
#include "transfer/transfer_run.h"

namespace {

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        main_ = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, nullptr, nullptr, nullptr, nullptr);
        combo_ = CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_DROPDOWN, 0, 0, 200, 100, main_,
                               reinterpret_cast<HMENU>(IDC_MACHINE_COMBO), nullptr, nullptr);
        list_ = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 300, 200, main_,
                              reinterpret_cast<HMENU>(IDC_MESSAGE_LIST), nullptr, nullptr);
        SetMessageList(list_);
        g_selected_machine = MachineRecord();
        g_selected_machine.address.Assign("127.0.0.1");
        g_selected_machine.user_name.Assign("nc");
        g_selected_machine.password.Assign("pw");
        g_selected_machine.initial_folder.Assign("NCDATA");
        g_selected_machine.fields_read = 4;
    }
    void TearDown() override { DestroyWindow(main_); }

    std::vector<std::string> Lines() const { return ListBoxLines(list_); }
    std::vector<std::string> TmpNames() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((folder_ / "tmp\\*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (entry.cFileName[0] != '.') names.push_back(entry.cFileName);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

    TempProgramFolder folder_;
    HWND main_ = nullptr;
    HWND combo_ = nullptr;
    HWND list_ = nullptr;
};

// The start-up clean-up of leftover control files (transfer/temp_cleanup),
// and the deletion of a control file someone holds open, in the same folder
// and message list.
class TempCleanupTest : public TransferTest {};
class ControlFileDeleteTest : public TransferTest {};

TEST_F(TransferTest, ControlFileHoldsTheSpecifiedLinesAndStaysWithDeleteZero)
{
    folder_.MakeFolder("tmp");
    folder_.WriteFile("Vantrel.ini", "[Vantrel]\r\ndelete=0\r\ncheck=0\r\n");
    SetWindowTextA(combo_, "MC1");
    g_dropped_file_path.Assign("D:\\data\\O1234.NC");

    // Nothing listens on 127.0.0.1:21 here, so the client fails (the check
    // before it is off); whichever boxes that brings are answered.
    MessageBoxCapture boxes;
    StartVantrel(main_);

    std::vector<std::string> names = TmpNames();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].size(), std::string("202612071015.txt").size());
    EXPECT_EQ(folder_.ReadFile("tmp\\" + names[0]),
              "open 127.0.0.1\r\nnc\r\npw\r\nbinary\r\ncd NCDATA\r\nput D:\\data\\O1234.NC O1234\r\nquit\r\n");
    std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "routine name : StartVantrel");
    EXPECT_EQ(lines[1], "... 転送ファイル D:\\data\\O1234.NC");
    EXPECT_EQ(lines[2], "routine name : SetControlFileName");
}

TEST_F(TransferTest, NoMachineLeavesAnEmptyControlFile)
{
    folder_.MakeFolder("tmp");
    g_dropped_file_path.Assign("D:\\data\\O1234.NC");
    MessageBoxCapture boxes;
    EXPECT_EQ(StartVantrel(main_), -1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "エラー：マシニング取得失敗");
    std::vector<std::string> names = TmpNames();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(folder_.ReadFile("tmp\\" + names[0]), "");
    // The failed run keeps its paths for the user to see; the next run starts afresh.
    EXPECT_STREQ(g_dropped_file_path.c_str(), "D:\\data\\O1234.NC");
}

TEST_F(TransferTest, MissingTmpFolderIsAnOpenError)
{
    SetWindowTextA(combo_, "MC1");
    g_dropped_file_path.Assign("D:\\data\\O1234.NC");
    MessageBoxCapture boxes;
    EXPECT_EQ(StartVantrel(main_), -1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text.rfind("コントロールファイル " + folder_.path() + "tmp\\", 0), 0u);
    EXPECT_EQ(boxes.Boxes()[0].text.substr(boxes.Boxes()[0].text.size() - 15), ".txt open error");
}

TEST_F(TransferTest, AMachineWithoutAddressIsRefusedBeforeAnyControlFile)
{
    folder_.MakeFolder("tmp");
    SetWindowTextA(combo_, "MC1");
    g_selected_machine.address.Clear();
    g_dropped_file_path.Assign("D:\\data\\O1234.NC");
    MessageBoxCapture boxes;
    EXPECT_EQ(StartVantrel(main_), -1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "エラー：マシニング MC1 のIPアドレスが登録されていません");
    EXPECT_TRUE(TmpNames().empty());
}

// The argument recorder beside this test program, copied into the program
// folder as `name`: a client or sibling program that records its command
// line in args.txt there and ends with 0.
void CopyArgRecorder(const TempProgramFolder& folder, const char* name)
{
    char exe[MAX_PATH];
    std::string recorder(exe, GetModuleFileNameA(nullptr, exe, MAX_PATH));
    recorder.replace(recorder.find_last_of('\\') + 1, std::string::npos, "arg_recorder.exe");
    ASSERT_TRUE(CopyFileA(recorder.c_str(), (folder / name).c_str(), FALSE));
}

// Holds the control file open without delete sharing under this minute's
// and the next minute's name: the run opens, writes and hands it on, and
// cannot delete it.
std::vector<HANDLE> HoldControlFile(const TempProgramFolder& folder)
{
    std::vector<HANDLE> held;
    for (int minute = 0; minute < 2; ++minute) {
        SYSTEMTIME t;
        GetLocalTime(&t);
        FILETIME f;
        SystemTimeToFileTime(&t, &f);
        ULARGE_INTEGER at{{f.dwLowDateTime, f.dwHighDateTime}};
        at.QuadPart += minute * 600000000ULL;
        f = {at.LowPart, at.HighPart};
        FileTimeToSystemTime(&f, &t);
        char name[32];
        std::snprintf(name, sizeof name, "tmp\\%d%02d%02d%02d%02d.txt", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
        held.push_back(CreateFileA((folder / name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    return held;
}

// Records, with each box, the control files then still in tmp.
class BoxesAndTmp : public MessageBoxCapture {
public:
    explicit BoxesAndTmp(const TempProgramFolder& folder) : folder_(folder) {}
    std::vector<int> tmp_files_at_box;

protected:
    void Seen(const CapturedWindow&) override
    {
        int count = 0;
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((folder_ / "tmp\\*.txt").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do ++count;
            while (FindNextFileA(search, &entry));
            FindClose(search);
        }
        tmp_files_at_box.push_back(count);
    }

private:
    const TempProgramFolder& folder_;
};

// With verify=1, the check before the client off, and nothing listening on
// 127.0.0.1:21 (so that a delivery check, when one runs, says it could not confirm): the control file is gone
// before the first box whenever it can be deleted; then the client's
// failure, the deletion's, and the check's finding, in that order; and no
// check at all after a client that could not be started.
TEST_F(TransferTest, ControlFileGoesFirstThenClientDeletionAndCheckInOrder)
{
    folder_.MakeFolder("tmp");
    folder_.WriteFile("Vantrel.ini", "[Vantrel]\r\nverify=1\r\ncheck=0\r\n");
    folder_.WriteFile("O1234.NC", "%\r\nO1234\r\nM30\r\n%\r\n");
    CopyArgRecorder(folder_, "sends-nothing.exe");
    SetWindowTextA(combo_, "MC1");
    const std::string file = folder_ / "O1234.NC";
    const std::string not_started = "エラー：ファイルの実行に失敗しました";
    // Nothing listens: the client says it could not connect, and the box names that line.
    const std::string client_failed = "エラー：ファイル " + file + " の転送に失敗しました（ftp.exe";
    const std::string not_deleted = "エラー：Ctrlファイルの削除に失敗しました";
    const std::string unconfirmed = "ファイル " + file + " の転送を確認できませんでした：";
    struct Case {
        const char* client;  // in the program folder; null: the system's ftp.exe
        bool held;
        int result;
        std::vector<std::string> boxes;  // the check's warning by its start
        bool check_listed;               // the check's finding in the list only
    } cases[] = {
        {"missing.exe", false, 0, {not_started}, false},
        {"missing.exe", true, -1, {not_started, not_deleted}, false},
        {"sends-nothing.exe", false, 0, {unconfirmed}, false},
        {"sends-nothing.exe", true, -1, {not_deleted, unconfirmed}, false},
        {nullptr, true, -1, {client_failed, not_deleted}, true},
    };
    for (const Case& c : cases) {
        std::string what = std::string(c.client != nullptr ? c.client : "ftp.exe") + (c.held ? ", held" : "");
        std::vector<HANDLE> held;
        if (c.held) held = HoldControlFile(folder_);
        for (HANDLE h : held) ASSERT_NE(h, INVALID_HANDLE_VALUE) << what;
        SendMessageA(list_, LB_RESETCONTENT, 0, 0);
        g_dropped_file_path.Assign(file.c_str());
        BoxesAndTmp boxes(folder_);
        std::string client = c.client != nullptr ? folder_ / c.client : std::string();
        EXPECT_EQ(StartVantrel(main_, c.client != nullptr ? client.c_str() : nullptr), c.result) << what;
        for (HANDLE h : held) CloseHandle(h);
        std::vector<std::string> texts;
        for (const CapturedWindow& box : boxes.Boxes()) {
            if (box.text.rfind(client_failed, 0) == 0) {
                EXPECT_NE(box.text.find("「> ftp: connect :"), std::string::npos) << what << ": " << box.text;
                texts.push_back(client_failed);
                continue;
            }
            texts.push_back(box.text.rfind(unconfirmed, 0) == 0 ? unconfirmed : box.text);
        }
        EXPECT_EQ(texts, c.boxes) << what;
        if (!c.held && !boxes.tmp_files_at_box.empty()) {
            EXPECT_EQ(boxes.tmp_files_at_box[0], 0) << what;
        }
        std::vector<std::string> lines = Lines();
        auto check_line = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.rfind(unconfirmed, 0) == 0 || line.rfind("... 転送確認済み", 0) == 0;
        });
        EXPECT_EQ(check_line != lines.end(), c.check_listed || texts.back() == unconfirmed) << what;
        if (c.check_listed && check_line != lines.end()) {
            EXPECT_LT(std::find(lines.begin(), lines.end(), not_deleted), check_line) << what;
        }
        for (const std::string& name : TmpNames()) DeleteFileA((folder_ / ("tmp\\" + name)).c_str());
    }
}

// This test program as the client: the stand-in named runs (see below).
std::string StandInParameters(const char* test)
{
    return std::string("--gtest_also_run_disabled_tests --gtest_filter=ClientProcess.DISABLED_") + test;
}

std::string ThisProgram()
{
    char exe[MAX_PATH];
    return std::string(exe, GetModuleFileNameA(nullptr, exe, MAX_PATH));
}

constexpr int kStandInStatus = 7;

// Stand-ins, run only as the child of the cases below.
TEST(ClientProcess, DISABLED_PrintsMoreThanThePipeHolds)
{
    // More than the pipe's 64 KiB: a reader that waited for the end first
    // would never see it.
    std::string line(99, 'x');
    for (int i = 0; i < 3000; ++i) std::printf("%s\n", line.c_str());
    std::printf("console %s\n", GetConsoleWindow() == nullptr ? "none" : "shown");
    std::fflush(stdout);
    ExitProcess(kStandInStatus);
}

TEST(ClientProcess, DISABLED_WaitsForEver)
{
    std::printf("150 Opening data connection.\n");
    std::fflush(stdout);
    Sleep(INFINITE);
}

// The client's whole output arrives through the pipe with its exit status,
// and it has no console window.
TEST(ClientProcess, OutputAndExitStatusWithoutAConsole)
{
    ClientRun run = RunClient(ThisProgram().c_str(), StandInParameters("PrintsMoreThanThePipeHolds").c_str(), nullptr,
                              60000);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.ended_by_limit);
    EXPECT_EQ(run.exit_code, static_cast<DWORD>(kStandInStatus));
    std::string line(99, 'x');
    EXPECT_GE(run.output.size(), 3000u * 100u);
    EXPECT_NE(run.output.find(line + "\r\n" + line), std::string::npos);
    EXPECT_NE(run.output.find("console none"), std::string::npos) << run.output.substr(run.output.size() - 200);
    EXPECT_FALSE(RunClient("C:\\nonexistent\\ftp.exe", "-s:x", nullptr, 1000).started);
}

// What a window of this thread was handed while the client ran.
struct Seen {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
    {
        if (message == WM_KEYDOWN || message == WM_LBUTTONDOWN) ++input;
        if (message == WM_APP) ++other;
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    static inline int input = 0;
    static inline std::atomic<int> other{0};
};

// A client past its limit is terminated and what it printed is kept.
// Meanwhile the thread's window answers a message sent from another thread
// within a second, and gets none of the input posted to it; a WM_QUIT met
// meanwhile is posted again afterwards.
TEST(ClientProcess, AClientPastItsLimitIsEndedWhileTheWindowAnswers)
{
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = Seen::Proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "ClientProcessTest";
    RegisterClassA(&window_class);
    HWND window = CreateWindowA("ClientProcessTest", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                window_class.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    PostMessageA(window, WM_LBUTTONDOWN, 0, 0);
    PostMessageA(window, WM_APP, 0, 0);
    PostQuitMessage(3);

    const DWORD limit_ms = 3000;
    // Another thread sends WM_NULL once the wait serves the window (the
    // posted WM_APP reaches it only then).
    struct Asker {
        HWND window;
        bool answered = false;
        ULONGLONG answered_ms = 0;
        static DWORD WINAPI Run(void* self)
        {
            auto* asker = static_cast<Asker*>(self);
            for (int waited = 0; Seen::other == 0 && waited < 10000; ++waited) Sleep(1);
            DWORD_PTR result = 0;
            ULONGLONG sent = GetTickCount64();
            asker->answered = SendMessageTimeoutA(asker->window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
            asker->answered_ms = GetTickCount64() - sent;
            return 0;
        }
    } asker{window};
    HANDLE thread = CreateThread(nullptr, 0, Asker::Run, &asker, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ULONGLONG started = GetTickCount64();
    ClientRun run = RunClient(ThisProgram().c_str(), StandInParameters("WaitsForEver").c_str(), nullptr, limit_ms);
    ULONGLONG took = GetTickCount64() - started;
    EXPECT_EQ(WaitForSingleObject(thread, 15000), WAIT_OBJECT_0);
    CloseHandle(thread);

    EXPECT_TRUE(run.started);
    EXPECT_TRUE(run.ended_by_limit);
    EXPECT_GE(took, limit_ms);
    EXPECT_NE(run.output.find("150 Opening data connection."), std::string::npos) << run.output;
    EXPECT_TRUE(asker.answered) << asker.answered_ms;
    EXPECT_LT(asker.answered_ms, 1000u);
    EXPECT_EQ(Seen::input, 0);
    EXPECT_EQ(Seen::other, 1);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
    DestroyWindow(window);
    UnregisterClassA("ClientProcessTest", window_class.hInstance);
}

// backup=1 with nothing listening on 127.0.0.1:21 and the check before the
// client off (the backup logs in itself): the machine's copy cannot be
// made, so the client never starts, the control file is gone before the one
// box, and with verify=1 nothing is checked either.
TEST_F(TransferTest, ABackupThatCannotBeMadeStopsTheTransferBeforeTheClient)
{
    folder_.MakeFolder("tmp");
    folder_.WriteFile("Vantrel.ini", "[Vantrel]\r\nbackup=1\r\nverify=1\r\ncheck=0\r\n");
    folder_.WriteFile("O1234.NC", "%\r\nO1234\r\nM30\r\n%\r\n");
    CopyArgRecorder(folder_, "sends-nothing.exe");
    SetWindowTextA(combo_, "MC1");
    const std::string file = folder_ / "O1234.NC";
    g_dropped_file_path.Assign(file.c_str());
    BoxesAndTmp boxes(folder_);
    EXPECT_EQ(StartVantrel(main_, (folder_ / "sends-nothing.exe").c_str()), -1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text.rfind("エラー：機械の O1234 をバックアップできないため、ファイル " + file +
                                              " を転送しませんでした（127.0.0.1 に接続できません",
                                          0),
              0u)
        << boxes.Boxes()[0].text;
    EXPECT_EQ(boxes.tmp_files_at_box, std::vector<int>{0});
    EXPECT_FALSE(folder_.Exists("args.txt"));
    EXPECT_FALSE(folder_.Exists("backup"));
}

// The check before the client, with nothing listening on 127.0.0.1:21: on
// unless check reads as 0. When it runs, its one box names the machine and
// the server's words, the control file is gone before it, the client never
// starts, and no delivery check runs; check=0 starts the client.
TEST_F(TransferTest, TheCheckBeforeTheClientStopsARunToAServerThatIsDown)
{
    folder_.MakeFolder("tmp");
    folder_.WriteFile("O1234.NC", "%\r\nO1234\r\nM30\r\n%\r\n");
    CopyArgRecorder(folder_, "sends-nothing.exe");
    SetWindowTextA(combo_, "MC1");
    const std::string file = folder_ / "O1234.NC";
    const std::string down = "エラー：マシニング MC1 のサーバーに接続できないため、ファイル " + file +
                             " を転送しませんでした（127.0.0.1 に接続できません (エラー ";
    struct Case {
        const char* settings;
        bool checked;
    } cases[] = {
        {"", true},
        {"check=1\r\n", true},
        {"check=\r\n", true},
        {"check=2\r\n", true},
        {"check=0\r\n", false},
        {"check=off\r\n", false},  // a word reads as 0, as in every number key
    };
    for (const Case& c : cases) {
        folder_.WriteFile("Vantrel.ini", std::string("[Vantrel]\r\nverify=1\r\n") + c.settings);
        DeleteFileA((folder_ / "args.txt").c_str());
        SendMessageA(list_, LB_RESETCONTENT, 0, 0);
        g_dropped_file_path.Assign(file.c_str());
        BoxesAndTmp boxes(folder_);
        // Unchecked, the client runs and the delivery check only warns.
        EXPECT_EQ(StartVantrel(main_, (folder_ / "sends-nothing.exe").c_str()), c.checked ? -1 : 0) << c.settings;
        ASSERT_FALSE(boxes.Boxes().empty()) << c.settings;
        const std::string& first = boxes.Boxes()[0].text;
        EXPECT_EQ(first.rfind(down, 0) == 0, c.checked) << c.settings << first;
        // The list says why a client did not run (once seen under load, unexplained).
        EXPECT_EQ(folder_.Exists("args.txt"), !c.checked) << c.settings << testing::PrintToString(Lines());
        if (c.checked) {
            EXPECT_EQ(boxes.Boxes().size(), 1u) << c.settings;
            EXPECT_EQ(boxes.tmp_files_at_box, std::vector<int>{0}) << c.settings;
            EXPECT_EQ(Lines().size(), 4u) << c.settings;  // the three lines and the box's
        }
        EXPECT_TRUE(TmpNames().empty()) << c.settings;
    }
}

// filelist.exe is stood in for by the argument recorder beside this test
// program, which leaves the intermediate file alone.
void StandInForFileList(const TempProgramFolder& folder) { CopyArgRecorder(folder, "filelist.exe"); }

// Each case lays the intermediate file out, or holds it, first. The machine
// has no initial folder: filelist.exe gets three values.
TEST_F(TransferTest, IntermediateFileListThatCannotBeOpenedDeletedOrIsEmptyIsReported)
{
    g_selected_machine.initial_folder.Clear();
    g_selected_machine.fields_read = 3;
    folder_.MakeFolder("tmp");
    HWND server_list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 300, 200, main_, reinterpret_cast<HMENU>(IDC_SERVER_FILE_LIST),
                                     nullptr, nullptr);
    StandInForFileList(folder_);
    std::string list_path = folder_ / "tmp\\filelist.tmp";
    auto hold = [&](DWORD share) {
        return CreateFileA(list_path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    MessageBoxCapture boxes;

    folder_.WriteFile("tmp\\filelist.tmp", "O0001\r\n");
    HANDLE locked = hold(0);
    EXPECT_EQ(UpdateServerFileList(main_), -1);
    CloseHandle(locked);
    EXPECT_EQ(ListBoxLines(server_list), std::vector<std::string>{});
    EXPECT_EQ(folder_.ReadFile("args.txt"), "127.0.0.1 nc pw");

    HANDLE undeletable = hold(FILE_SHARE_READ);
    EXPECT_EQ(UpdateServerFileList(main_), -1);
    CloseHandle(undeletable);
    EXPECT_EQ(ListBoxLines(server_list), std::vector<std::string>{"O0001\n"});  // kept

    folder_.WriteFile("tmp\\filelist.tmp", "");
    EXPECT_EQ(UpdateServerFileList(main_), -1);
    EXPECT_FALSE(folder_.Exists("tmp\\filelist.tmp"));  // deleted before the box
    EXPECT_EQ(ListBoxLines(server_list), std::vector<std::string>{});

    std::vector<std::string> texts;
    for (const CapturedWindow& box : boxes.Boxes()) texts.push_back(box.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"ファイル " + list_path + " オープンエラー", "エラー：中間ファイルの削除に失敗",
                                               "データサーバーのファイルがありません？"}));
}

// Our FTP client's window class is Tcl/Tk's: a window of that class in
// another program (here this test program) does not stop the refresh.
TEST_F(TransferTest, ATkTopLevelWindowOfAnotherProgramDoesNotBlockTheRefresh)
{
    folder_.MakeFolder("tmp");
    CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 300, 200, main_, reinterpret_cast<HMENU>(IDC_SERVER_FILE_LIST), nullptr,
                  nullptr);
    StandInForFileList(folder_);
    folder_.WriteFile("tmp\\filelist.tmp", "O0001\r\n");
    WNDCLASSA tk = {};
    tk.lpfnWndProc = DefWindowProcA;
    tk.hInstance = GetModuleHandleA(nullptr);
    tk.lpszClassName = "TkTopLevel";
    RegisterClassA(&tk);
    HWND idle = CreateWindowA("TkTopLevel", "IDLE Shell", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                              nullptr, tk.hInstance, nullptr);
    ASSERT_NE(idle, nullptr);
    EXPECT_EQ(UpdateServerFileList(main_), 0);
    DestroyWindow(idle);
    UnregisterClassA("TkTopLevel", tk.hInstance);
    EXPECT_TRUE(folder_.Exists("args.txt"));  // filelist.exe ran
    EXPECT_EQ(ListBoxLines(GetDlgItem(main_, IDC_SERVER_FILE_LIST)), std::vector<std::string>{"O0001\n"});
    EXPECT_EQ(Lines(), std::vector<std::string>{});
}

TEST_F(TempCleanupTest, DeletesTxtFilesOnlyAndReportsEach)
{
    folder_.MakeFolder("tmp");
    folder_.WriteFile("tmp\\202612070900.txt", "open x\r\n");
    folder_.WriteFile("tmp\\202612070901.txt", "");
    folder_.WriteFile("tmp\\202612070902.txt", "open x\r\nnc\r\npw\r\n");
    folder_.WriteFile("tmp\\list.lnk.txt", "");
    folder_.WriteFile("tmp\\filelist.tmp", "");
    folder_.WriteFile("tmp\\O1000.txt1", "");  // found through its short name on Windows
    folder_.MakeFolder("tmp\\old.txt");
    // A leftover held open without delete sharing (a client still reading it)
    // cannot go: it is reported as such and stays.
    HANDLE held = CreateFileA((folder_ / "tmp\\202612070902.txt").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    EXPECT_EQ(ExecuteDeleteFiles(main_), 0);
    CloseHandle(held);
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "routine name : ExecuteDeleteFiles");
    EXPECT_EQ(lines[1], "---");
    std::vector<std::string> reported = {lines[2], lines[3], lines[4]};
    std::sort(reported.begin(), reported.end());
    EXPECT_EQ(reported, (std::vector<std::string>{"[失敗] 202612070902.txt", "[成功] 202612070900.txt",
                                                  "[成功] 202612070901.txt"}));
    EXPECT_EQ(lines[5], "---");
    EXPECT_EQ(TmpNames(), (std::vector<std::string>{"202612070902.txt", "O1000.txt1", "filelist.tmp", "list.lnk.txt", "old.txt"}));
}

// A control file that another program holds open for a moment without
// delete sharing (a virus scanner) is deleted once it lets go; one held for
// longer than the tries stays, and says so.
TEST_F(ControlFileDeleteTest, AControlFileHeldForAMomentIsStillDeleted)
{
    struct Holder {
        HANDLE file;
        DWORD hold_ms;
        static DWORD WINAPI Run(void* self)
        {
            auto* holder = static_cast<Holder*>(self);
            Sleep(holder->hold_ms);
            CloseHandle(holder->file);
            return 0;
        }
    };
    struct Case {
        DWORD hold_ms;
        bool deleted;
    };
    const Case cases[] = {{300, true}, {kDeleteTries * kDeleteRetryMs + 1000, false}};
    folder_.MakeFolder("tmp");
    for (const Case& c : cases) {
        std::string path = folder_ / "tmp\\202612071200.txt";
        folder_.WriteFile("tmp\\202612071200.txt", "open x\r\nnc\r\npw\r\n");
        Holder holder{CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr),
                      c.hold_ms};
        ASSERT_NE(holder.file, INVALID_HANDLE_VALUE);
        HANDLE thread = CreateThread(nullptr, 0, Holder::Run, &holder, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        EXPECT_EQ(DeleteFileHeldBriefly(path.c_str()), c.deleted) << "held " << c.hold_ms << " ms";
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        EXPECT_EQ(folder_.Exists("tmp\\202612071200.txt"), !c.deleted) << "held " << c.hold_ms << " ms";
        DeleteFileA(path.c_str());
    }
}

TEST_F(TempCleanupTest, NothingToFindPostsOnlyItsName)
{
    EXPECT_EQ(ExecuteDeleteFiles(main_), -1);  // no tmp at all
    folder_.MakeFolder("tmp");
    EXPECT_EQ(ExecuteDeleteFiles(main_), -1);  // an empty tmp
    EXPECT_EQ(Lines(), (std::vector<std::string>{"routine name : ExecuteDeleteFiles",
                                                 "routine name : ExecuteDeleteFiles"}));
}

TEST_F(TempCleanupTest, AProgramFolderTooLongToSearchWritesNothingPastItsBuffer)
{
    std::string long_folder = "C:\\" + std::string(300, 'd') + "\\";
    g_startup.program_folder.Assign(long_folder.c_str());
    EXPECT_EQ(ExecuteDeleteFiles(main_), -1);
    EXPECT_EQ(Lines().size(), 2u);
}

TEST(FileListPieces, TextModeLinesAreSplitEvery31Bytes)
{
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    std::string file_path = std::string(path) + "vantrel-pieces.tmp";
    std::FILE* out = std::fopen(file_path.c_str(), "wb");
    std::string forty(40, 'a');
    std::string content = "O1000\r\n" + forty + "\r\nO2000\r\nlast";
    std::fwrite(content.data(), 1, content.size(), out);
    std::fclose(out);

    std::FILE* in = std::fopen(file_path.c_str(), "r");
    std::vector<std::string> pieces = ReadFileListPieces(in);
    std::fclose(in);
    EXPECT_EQ(pieces, (std::vector<std::string>{"O1000\n", std::string(31, 'a'), std::string(9, 'a') + "\n",
                                                "O2000\n", "last"}));

    out = std::fopen(file_path.c_str(), "wb");
    std::fclose(out);
    in = std::fopen(file_path.c_str(), "r");
    EXPECT_TRUE(ReadFileListPieces(in).empty());
    std::fclose(in);
    DeleteFileA(file_path.c_str());
}

}  // namespace
