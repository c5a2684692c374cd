// Preloaded into every 32-bit Wine process that runs under qemu-i386-static.
// The emulator hands execve to the kernel, which cannot start an i386
// program on a machine without 32-bit support; so an i386 program is started
// through the emulator again, with the same arguments and environment. Any
// other program (the 64-bit wineserver and wine64) starts as usual, without
// this library in its environment, where it could not load.
//
// Built by scripts/wine32 with gcc -m32 -shared; it reads the emulator's path
// from CANTIVOX_QEMU_I386 and the i386 root from QEMU_LD_PREFIX, which the
// emulator itself reads too.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

extern char** environ;

static int IsI386(const char* path) {
  unsigned char header[20];
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  const ssize_t got = read(fd, header, sizeof header);
  close(fd);
  // ELF, 32-bit class, machine 3 (EM_386).
  return got == (ssize_t)sizeof header && memcmp(header, "\177ELF\1", 5) == 0 && header[18] == 3 &&
         header[19] == 0;
}

int execve(const char* path, char* const argv[], char* const envp[]) {
  int (*real)(const char*, char* const[], char* const[]) = dlsym(RTLD_NEXT, "execve");
  size_t argc = 0, envc = 0;
  while (argv[argc]) ++argc;
  while (envp[envc]) ++envc;
  const char* qemu = getenv("CANTIVOX_QEMU_I386");
  if (qemu && IsI386(path)) {
    // qemu-i386-static -0 ARGV0 PATH ARGS...
    char** args = malloc((argc + 5) * sizeof *args);
    if (!args) return -1;
    args[0] = (char*)qemu;
    args[1] = "-0";
    args[2] = argc ? argv[0] : (char*)path;
    args[3] = (char*)path;
    for (size_t i = 1; i <= argc; ++i) args[3 + i] = argv[i];
    if (!argc) args[4] = NULL;
    return real(qemu, args, envp);
  }
  char** env = malloc((envc + 1) * sizeof *env);
  if (!env) return -1;
  size_t kept = 0;
  for (size_t i = 0; i < envc; ++i)
    if (strncmp(envp[i], "LD_PRELOAD=", 11) != 0) env[kept++] = envp[i];
  env[kept] = NULL;
  return real(path, argv, env);
}

// glibc's execv calls its own execve directly, not through this library.
int execv(const char* path, char* const argv[]) { return execve(path, argv, environ); }
