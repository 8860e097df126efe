// A run that deleted values never ends as one that deleted nothing: from the first deletion on,
// the cleanup asks for no memory until its exit code is set. Here every allocation the
// program's code makes after the registry's first deletion fails; the stand-ins' own
// bookkeeping is exempt. A program of its own: it replaces the global operator new.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "app/Form1.h"
#include "support/FakePrinterSource.h"
#include "support/FakeRegistry.h"

namespace {

bool armed = false;
int exempt = 0;  // depth of stand-in calls, whose allocations never fail
struct Exempt {
  Exempt() { ++exempt; }
  ~Exempt() { --exempt; }
};

// The in-memory registry, which arms the failing allocations once it has deleted a value.
class ArmingRegistry final : public registry::RegistryApi {
 public:
  using Status = registry::RegStatus;
  using Key = registry::RegKeyHandle;
  Status OpenKey(registry::RegRootKey root, const std::wstring& path, std::uint32_t options, std::uint32_t access,
                 Key& key) override { return Exempt(), fake.OpenKey(root, path, options, access, key); }
  Status EnumValue(Key key, std::uint32_t index, wchar_t* name, std::uint32_t& length, std::uint32_t& type,
                   std::uint32_t& size) override { return Exempt(), fake.EnumValue(key, index, name, length, type, size); }
  Status CloseKey(Key key) override { return Exempt(), fake.CloseKey(key); }
  std::wstring ComparisonKey(const std::wstring& name) override { return Exempt(), fake.ComparisonKey(name); }
  std::wstring StatusText(Status status) override { return Exempt(), fake.StatusText(status); }
  Status DeleteValue(Key key, const std::wstring& name) override {
    const Status status = (Exempt(), fake.DeleteValue(key, name));
    armed = armed || status == 0;
    return status;
  }
  FakeRegistry fake;
};

// Stand-ins that keep what they are told without asking for memory.
struct Quiet final : WindowSystem, EventLog, StandardOutput, inventory::QuestionBudget {
  int MsgBox(const std::wstring&, const std::wstring&, int) override { return 7; }
  bool MsgBoxFitsOnScreen(const std::wstring&, int) override { return true; }
  void Unload() override {}
  void End() override {}
  void SetExitCode(int code) override { exitCode = code; }
  void Write(Event, const std::vector<std::wstring>&) noexcept override {}
  void WriteLines(const std::vector<std::wstring>&) noexcept override {}
  void StartAnew() override {}
  int exitCode = -1;
};

}  // namespace

void* operator new(std::size_t size) {
  if (armed && exempt == 0) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

TEST(DeletionMemory, NoMemoryAfterTheFirstDeletionStillEndsTheRunWithItsDeletionsDoneAndCounted) {
  for (const wchar_t* mode : {L"/s", L"/q"}) {
    ArmingRegistry registry;
    for (const wchar_t* name : {L"Ancienne", L"Active", L"Perdue"}) {
      registry.fake.AddValue(inventory::kDevicesRoot, inventory::kDevicesKeyPath, name);
    }
    for (const wchar_t* name : {L"Ancienne", L"Orpheline"}) {
      registry.fake.AddValue(inventory::kDevicesRoot, inventory::kDevModes2KeyPath, name);
    }
    FakePrinterSource printers({L"Active"});
    FakeSpooler spooler;
    Quiet quiet;
    Form1 form(Form1Services{quiet, printers, spooler, quiet, registry, quiet, quiet}, StartModeOf(mode));
    bool raised = false;
    try {
      form.Form_Load();
    } catch (...) {
      raised = true;
    }
    const bool failedAllocations = armed;
    armed = false;
    EXPECT_FALSE(raised) << "the run ended on its failed allocation";
    EXPECT_TRUE(failedAllocations);
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(registry.fake.ValueNames(inventory::kDevicesRoot, inventory::kDevicesKeyPath),
              std::vector<std::wstring>{L"Active"});
    EXPECT_TRUE(registry.fake.ValueNames(inventory::kDevicesRoot, inventory::kDevModes2KeyPath).empty());
  }
}
