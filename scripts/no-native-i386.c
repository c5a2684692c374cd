// Runs a command on which this machine's kernel refuses to run i386 code, as
// a machine without 32-bit support does: scripts/test --emulate-i386 runs
// itself under it, so that a 32-bit program started without the emulator
// fails there as it would on such a machine, instead of passing unnoticed.
//
// A seccomp filter, inherited by every process the command starts, kills a
// process at its first system call made in 32-bit mode. The emulator makes
// only 64-bit calls for the programs it runs.
//
// usage: no-native-i386 COMMAND [ARGS...]
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <stdio.h>
#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: no-native-i386 COMMAND [ARGS...]\n");
    return 2;
  }
  struct sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_I386, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  struct sock_fprog program = {sizeof filter / sizeof filter[0], filter};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
      prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
    perror("no-native-i386: installing the seccomp filter");
    return 1;
  }
  execvp(argv[1], argv + 1);
  perror("no-native-i386: starting the command");
  return 127;
}
