// What Windows reads from the shipped programs' files: the application manifest, parsed by the system into
// an activation context, and the version resource, read the way Explorer's properties page reads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/framework/wide_text.h"
#include "foundation/path.h"
#include "hvxfer_version.h"

namespace hvxfer::test {
namespace {

struct Program {
  const wchar_t* file;  // beside this test, copied there by the build
  const wchar_t* internalName;
  const wchar_t* descriptionJa;
  const wchar_t* descriptionEn;
};
const Program kPrograms[] = {
    {L"hvxfer.exe", L"hvxfer", L"Halvor セーブデータ引継ぎ", L"Halvor save data carry-over"},
    {L"hvxfer-cli.exe", L"hvxfer-cli", L"Halvor セーブデータ引継ぎ (コマンドライン版)",
     L"Halvor save data carry-over, command line"},
};

std::wstring Beside(const wchar_t* file) { return vmqdSDK::Widen(vmqdSDK::GetModuleFolder()) + file; }

// The names of the module's manifest resources; integer ids as numbers, named ones as -1.
std::vector<long> ManifestIds(HMODULE module) {
  std::vector<long> ids;
  EnumResourceNamesW(
      module, RT_MANIFEST,
      [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR data) -> BOOL {
        reinterpret_cast<std::vector<long>*>(data)->push_back(
            IS_INTRESOURCE(name) ? static_cast<long>(reinterpret_cast<ULONG_PTR>(name)) : -1);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&ids));
  return ids;
}

// A setting of the manifest's windowsSettings in the given namespace; "" when it has none.
std::wstring Setting(HANDLE context, const wchar_t* ns, const wchar_t* name) {
  wchar_t value[64] = {};
  SIZE_T written = 0;
  if (!QueryActCtxSettingsW(0, context, ns, name, value, 64, &written)) return L"";
  return value;
}

TEST(ProgramResources, TheManifestRunsAsInvokerPerMonitorDpiAwareWithCommonControls6) {
  constexpr const wchar_t* k2005 = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
  constexpr const wchar_t* k2016 = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(vmqdSDK::Narrow(program.file));
    const std::wstring path = Beside(program.file);
    // The loader reads resource 1 only; a second manifest would be a sign of a toolchain default beside ours.
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ManifestIds(module), std::vector<long>({1}));
    FreeLibrary(module);

    // The context the system builds when it starts the program: a manifest it cannot parse fails here, as
    // it would stop the program from starting.
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path.c_str();
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << GetLastError();

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel{};
    ASSERT_TRUE(QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &runLevel,
                             sizeof runLevel, nullptr));
    EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_FALSE(runLevel.UiAccess);

    EXPECT_EQ(Setting(context, k2005, L"dpiAware"), L"true/pm");
    EXPECT_EQ(Setting(context, k2016, L"dpiAwareness"), L"PerMonitorV2, PerMonitor");
    EXPECT_EQ(Setting(context, k2016, L"longPathAware"), L"true");

    // The assemblies the context resolved, as "name,attribute=value,...": the program's own (index 1), then
    // its dependencies.
    std::vector<std::wstring> dependencies;
    for (DWORD index = 2;; ++index) {
      SIZE_T needed = 0;
      QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, nullptr, 0, &needed);
      if (needed == 0) break;
      std::vector<unsigned char> buffer(needed);
      auto* assembly = reinterpret_cast<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
      if (!QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, assembly, needed,
                        nullptr)) {
        break;
      }
      dependencies.emplace_back(assembly->lpAssemblyEncodedAssemblyIdentity,
                                assembly->ulEncodedAssemblyIdentityLength / sizeof(wchar_t));
    }
    ASSERT_EQ(dependencies.size(), 1u);
    EXPECT_EQ(dependencies[0].rfind(L"Microsoft.Windows.Common-Controls,", 0), 0u) << vmqdSDK::Narrow(dependencies[0]);
    EXPECT_NE(dependencies[0].find(L"version=\"6.0."), std::wstring::npos) << vmqdSDK::Narrow(dependencies[0]);
    ReleaseActCtx(context);
  }
}

TEST(ProgramResources, TheVersionResourceGivesTheOneVersionInJapaneseAndEnglish) {
  const std::wstring version = vmqdSDK::Widen(HVXFER_VERSION);
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(vmqdSDK::Narrow(program.file));
    const std::wstring path = Beside(program.file);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_NE(size, 0u);
    std::vector<unsigned char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof *fixed);
    const DWORD high = MAKELONG(HVXFER_VERSION_MINOR, HVXFER_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, HVXFER_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translations = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                               &length));
    EXPECT_EQ(std::vector<WORD>(translations, translations + length / sizeof(WORD)),
              std::vector<WORD>({0x0411, 1200, 0x0409, 1200}));

    struct Table {
      const wchar_t* block;
      const wchar_t* description;
    } tables[] = {{L"041104b0", program.descriptionJa}, {L"040904b0", program.descriptionEn}};
    for (const Table& table : tables) {
      SCOPED_TRACE(vmqdSDK::Narrow(table.block));
      auto value = [&](const wchar_t* name) -> std::wstring {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\") + table.block + L"\\" + name;
        wchar_t* text = nullptr;
        UINT chars = 0;
        if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &chars) || text == nullptr) {
          return L"(none)";
        }
        return text;
      };
      EXPECT_EQ(value(L"ProductName"), L"hvxfer");
      EXPECT_EQ(value(L"ProductVersion"), version);
      EXPECT_EQ(value(L"FileVersion"), version);
      EXPECT_EQ(value(L"OriginalFilename"), program.file);
      EXPECT_EQ(value(L"InternalName"), program.internalName);
      EXPECT_EQ(value(L"FileDescription"), table.description);
    }
  }
}

}  // namespace
}  // namespace hvxfer::test
