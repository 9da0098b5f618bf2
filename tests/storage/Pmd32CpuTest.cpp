// An 8080 program of our own drives the unit through the interface's 8255.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "machine/cpu/ChipCpu8080.h"
#include "machine/cpu/ChipMemory.h"
#include "machine/pio/IifGPIO.h"
#include "machine/storage/Pmd32.h"
#include "TempFolder.h"
#include "tests/support/FlatMachine.h"

namespace {

using testsupport::Asm;
using testsupport::FlatMemory;
using namespace testsupport;  // the opcode names
constexpr uint8_t XRA_C = 0xA9;

constexpr uint16_t kReadCmd = 0x0100, kWriteCmd = 0x3000, kReadReply = 0x2000, kWriteReply = 0x2100;

std::vector<uint8_t> Program() {
    Asm a;
    a.w(LXI_SP, 0xF000).b(MVI_A, 0xC0).b(OUT, 0x4F);  // group A mode 2
    a.at("sync").to(CALL, "recv").b(CPI, 0xAA).to(JNZ, "sync");
    a.b(MVI_A, 0xAA).to(CALL, "send");
    a.w(LXI_H, kReadCmd).b(MVI_B, 3).to(CALL, "sendblk");
    a.w(LXI_H, kReadReply).b(MVI_B, 131).to(CALL, "recvblk");  // "3", result, 128, checksum
    a.w(LXI_H, kWriteCmd).b(MVI_B, 131).to(CALL, "sendblk");
    a.w(LXI_H, kWriteReply).b(MVI_B, 2).to(CALL, "recvblk");
    a.b(HLT);
    // send A when the output buffer is empty (OBF, PC7, high)
    a.at("send").b(PUSH_PSW).at("s1").b(IN, 0x4E).b(ANI, 0x80).to(JZ, "s1");
    a.b(POP_PSW).b(OUT, 0x4C).b(RET);
    // receive into A when the input buffer is full (IBF, PC5)
    a.at("recv").b(IN, 0x4E).b(ANI, 0x20).to(JZ, "recv").b(IN, 0x4C).b(RET);
    // send B bytes from HL, then their XOR
    a.at("sendblk").b(MVI_C, 0);
    a.at("sb1").b(MOV_A_M).b(MOV_D_A).b(XRA_C).b(MOV_C_A).b(MOV_A_D).to(CALL, "send");
    a.b(INX_H).b(DCR_B).to(JNZ, "sb1").b(MOV_A_C).to(CALL, "send").b(RET);
    // receive B bytes to HL
    a.at("recvblk").to(CALL, "recv").b(MOV_M_A).b(INX_H).b(DCR_B).to(JNZ, "recvblk").b(RET);
    return a.Build();
}

}  // namespace

TEST(Pmd32Cpu, ProgramReadsAndWritesSectors) {
    TempFolder dir;
    const size_t kSize = 368640;
    std::vector<uint8_t> imageA = Pattern(kSize, 41), imageB = Pattern(kSize, 42);
    TempFolder::Write(dir / "a.p32", imageA);
    TempFolder::Write(dir / "b.p32", imageB);

    FlatMemory memory;
    ChipCpu8080 cpu(memory);
    IifGPIO gpio;
    Pmd32 unit(gpio);
    ASSERT_EQ(unit.MountImage(0, dir / "a.p32", 1), 0);
    ASSERT_EQ(unit.MountImage(1, dir / "b.p32", 0), 0);
    cpu.AddPortDevice(0x4C, 0xFC, 1, &gpio);
    cpu.AddCycleCallback(unit.TickHook());

    std::vector<uint8_t> program = Program();
    memory.WriteBlock(0, program.data(), static_cast<int32_t>(program.size()));
    const uint8_t readCmd[] = {'R', 0x05, 3};  // drive A, sector 5, track 3
    memory.WriteBlock(kReadCmd, readCmd, 3);
    std::vector<uint8_t> data = Pattern(128, 43);
    std::vector<uint8_t> writeCmd = {'W', 0x87, 10};  // drive bits 10b: B, sector 7, track 10
    writeCmd.insert(writeCmd.end(), data.begin(), data.end());
    memory.WriteBlock(kWriteCmd, writeCmd.data(), static_cast<int32_t>(writeCmd.size()));

    cpu.Reset();  // resets the interface, which attaches the unit
    for (long i = 0; i < 5000000 && !cpu.Halt; ++i) cpu.Step();
    ASSERT_TRUE(cpu.Halt) << "program did not finish, PC " << cpu.PC;

    const size_t at = (3 * 36 + 5) * 128;
    EXPECT_EQ(memory.ReadByte(kReadReply), 0x33);
    EXPECT_EQ(memory.ReadByte(kReadReply + 1), 0x00);
    uint8_t x = 0;
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(memory.ReadByte(kReadReply + 2 + i), imageA[at + i]) << i;
        x ^= imageA[at + i];
    }
    EXPECT_EQ(memory.ReadByte(kReadReply + 130), x);

    EXPECT_EQ(memory.ReadByte(kWriteReply), 0x33);
    EXPECT_EQ(memory.ReadByte(kWriteReply + 1), 0x00);
    std::vector<uint8_t> after = TempFolder::Read(dir / "b.p32");
    ASSERT_EQ(after.size(), kSize);
    const size_t wat = (10 * 36 + 7) * 128;
    EXPECT_TRUE(std::equal(data.begin(), data.end(), after.begin() + wat));
    std::copy(data.begin(), data.end(), imageB.begin() + wat);
    EXPECT_EQ(after, imageB);  // nothing else changed
    EXPECT_EQ(TempFolder::Read(dir / "a.p32"), imageA);

    cpu.RemoveCycleCallback(unit.TickHook());
    cpu.RemovePortDevice(0x4C);
}
