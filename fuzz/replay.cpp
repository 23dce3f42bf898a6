// Runs a fuzz target once over every file in the folders named on the command line: the
// committed corpus, replayed as an ordinary test without libFuzzer or any random search.
#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Defined only by the targets that prepare something once.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const QDir folder(QString::fromLocal8Bit(argv[i]));
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                return fprintf(stderr, "cannot read %s\n", qPrintable(name)), 1;
            const QByteArray bytes = file.readAll();
            fprintf(stderr, "%s\n", qPrintable(file.fileName()));
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   size_t(bytes.size()));
            ++inputs;
        }
    }
    // An empty or misnamed corpus folder would otherwise pass without testing anything.
    if (inputs == 0) return fprintf(stderr, "no inputs\n"), 1;
    printf("%d inputs replayed\n", inputs);
    return 0;
}
