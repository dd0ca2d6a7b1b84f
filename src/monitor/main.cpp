#include "TMainForm.h"
#include "TSorvikApplication.h"

int main(int argc, char *argv[])
{
    sorvik::TSorvikApplication app(argc, argv);
    sorvik::TMainForm form;
    form.show();
    return app.exec();
}
