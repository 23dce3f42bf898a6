// Runs a fuzz target once over every file in the folders given: its committed corpus, replayed
// as an ordinary test, without libFuzzer and without any random search.
#include <QDir>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const QDir folder(QString::fromLocal8Bit(argv[i]));
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            QFile file(folder.filePath(name));
            fprintf(stderr, "%s\n", qPrintable(file.fileName()));
            if (!file.open(QIODevice::ReadOnly)) return 1;
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
    }
    return inputs ? 0 : 1;  // a corpus folder that is missing or empty tests nothing
}
