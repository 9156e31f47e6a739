// The flash code name: eight letters from the interface, clock, vendor, geometry, channel and bank
// counts and cell type, that name the system firmware file of a flash part.
#include <cstring>
#include <initializer_list>

#include "settings/flash_param.h"
#include "settings/records.h"

namespace {

struct Entry {
    char letter;
    std::uint32_t value;
};

constexpr Entry kBlocks[] = {
    {'A', 1024}, {'B', 2048}, {'C', 4096}, {'D', 8192}, {'E', 16384}, {'F', 1008}, {'G', 3912},
    {'H', 3944}, {'I', 2956}, {'J', 2016}, {'K', 5916}, {'L', 2540},  {'M', 2192}, {'N', 1516},
    {'O', 944},  {'P', 2944}, {'Q', 4276}, {'Q', 2132}, {'R', 4212},  {'R', 4252}, {'S', 2148},
    {'T', 1352}, {'U', 3916}, {'V', 3816}, {'W', 5752}, {'X', 1968},  {'Y', 2012},
};
constexpr Entry kPages[] = {
    {'A', 64},  {'B', 128},  {'C', 256},  {'D', 512},  {'E', 1024}, {'F', 1536}, {'G', 2048}, {'H', 2304}, {'I', 576},
    {'J', 768}, {'K', 1728}, {'L', 5184}, {'M', 3072}, {'N', 3456}, {'O', 1152}, {'P', 1536}, {'Q', 4608},
};
constexpr Entry kPageSize[] = {{'A', 4}, {'B', 8}, {'C', 16}, {'D', 32}};
// Cell type codes.
constexpr Entry kCellType[] = {{'A', 0}, {'B', 1}, {'C', 2}, {'H', 3}, {'I', 4}, {'J', 5}};

// The last matching entry wins; 0 when none matches.
template <std::size_t N>
char Lookup(const Entry (&table)[N], std::uint32_t value) {
    char letter = 0;
    for (const Entry& e : table) {
        if (e.value == value) letter = e.letter;
    }
    return letter;
}

// Dies per CE (1, 2, 4) and the virtual-die switch (0, 1).
char DiesLetter(std::uint32_t dies, std::uint32_t vd) {
    constexpr struct {
        char letter;
        std::uint32_t dies, vd;
    } kDies[] = {{'A', 1, 0}, {'B', 2, 0}, {'C', 4, 0}, {'D', 1, 1}, {'E', 2, 1}, {'F', 4, 1}};
    char letter = 0;
    for (const auto& e : kDies) {
        if (e.dies == dies && e.vd == vd) letter = e.letter;
    }
    return letter;
}

// Channels 1 to 8 with banks 1 to 4.
char ChannelBankLetter(std::uint32_t channels, std::uint32_t banks) {
    constexpr char kLetters[4][9] = {"ABCDEFGH", "IJKLMNOP", "QRSTUVWX", "YZ123456"};
    if (channels < 1 || channels > 8 || banks < 1 || banks > 4) return 0;
    return kLetters[banks - 1][channels - 1];
}

char InterfaceLetter(std::uint8_t iface, std::uint16_t clock) {
    struct ClockLetter {
        std::uint16_t clock;
        char letter;
    };
    auto byClock = [clock](std::initializer_list<ClockLetter> list, char otherwise) {
        for (const ClockLetter& c : list) {
            if (c.clock == clock) return c.letter;
        }
        return otherwise;
    };
    switch (iface) {
        case 0:
        case 4:
            return 'A';
        case 2:
            return 'C';
        case 3:
        case 5:
            return 'N';
        case 7:
            return 'O';
        case 8:
            return byClock({{100, 'E'}, {266, 'G'}, {200, 'F'}}, 0);
        case 1:
        case 6:
            return byClock({{200, 'P'}, {266, 'R'}, {333, 'S'}, {400, 'T'}, {600, 'U'}}, 0);
        case 9:
            return byClock({{200, 'Q'}, {266, 'V'}, {333, 'W'}, {400, 'X'}, {600, 'Y'}}, 0);
        case 10:
            return byClock({{266, 'H'}, {333, 'I'}, {400, 'J'}, {600, 'K'}}, 'E');
        default:
            return 0;
    }
}

char VendorPlanesLetter(std::uint8_t vendor, std::uint8_t planes) {
    int column = -1;
    if (planes == 1) column = 0;
    if (planes == 2) column = 1;
    if (planes == 4) column = 2;
    if (column < 0) return 0;
    const char* row = nullptr;
    switch (vendor) {
        case 0:
        case 4:
            row = "ABC";
            break;
        case 2:
            row = "DEF";
            break;
        case 3:
            row = "GHI";
            break;
        case 1:
            row = "JKL";
            break;
        case 5:
            row = "MNO";
            break;
        case 6:
            row = "PQR";
            break;
        default:
            return 0;
    }
    return row[column];
}

char CellLetter(const AP_INIState_t& s, std::uint8_t flashType) {
    const char letter = Lookup(kCellType, flashType);
    if (letter == 0) return 0;
    if (s.EnSuperDie == 1 && s.PureSLC != 0) return 'F';
    if (s.EnSuperDie == 1) return 'D';
    if (s.PureSLC != 0) return 'E';
    if (s.NoOpCode != 0) return 'G';
    if (s.bIsETLC != 0) return 'I';
    if (s.bIsITLC != 0) return 'J';
    return letter;
}

}  // namespace

void BuildFlashCodeName(char* name) {
    if (name == nullptr) return;
    const AP_INIState_t& s = AP_INIState;
    const AP_FlashSet_t& f = AP_FlashSet;
    const bool unbalance = s.EnUnbalance != 0;

    char letters[8];
    letters[0] = InterfaceLetter(f.ucFlashInterface, s.Clock);
    letters[1] = VendorPlanesLetter(f.ucFlashVendor, f.ucPlanes);
    letters[2] = f.ucDiePerCE == 0 ? 0 : Lookup(kBlocks, static_cast<std::uint32_t>(f.wBlocks / f.ucDiePerCE));
    letters[3] = Lookup(kPages, f.wPages);
    letters[4] = Lookup(kPageSize, f.wPageSize);
    letters[5] = DiesLetter(f.ucDiePerCE, s.EnVD);
    if (letters[5] != 0 && unbalance) letters[5] = '_';
    letters[6] = ChannelBankLetter(f.ucChannel, f.ucBankNum);
    if (letters[6] != 0 && unbalance) letters[6] = '_';
    letters[7] = CellLetter(s, f.ucFlashType);

    const std::size_t positions = ::strnlen(name, sizeof letters);
    for (std::size_t i = 0; i < positions; ++i) {
        if (letters[i] != 0) name[i] = letters[i];
    }
}
