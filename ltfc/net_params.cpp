#include "ltfc/net_params.h"

#include <cmath>

#include "ltfc/labelled_file.h"
#include "ltfc/stream_format.h"

CNetParams::CNetParams() { AutoSet(1000, 0.7); }

void CNetParams::SetDefaults() {
    MaxNeur = 10000;
    EtaPlus = 1.0f;
    EtaMinus = 1.0f;
    EtaGrPlus = 0.8f;
    EtaGrMinus = 1.0f;
    Probab = 0.05f;
    Delta0 = -0.5f;
    DeltaMin = -1.0f;
    DeltaMax = 0.5f;
    EtaUse = 0.001f;
    EtaActiv = 0.0005f;
    UseTr = 0.001;
    ActTr = 0.0005;
    DecrsEta = true;
    MinLife2Remv = -1;
    NeurInsTime = 0.7f;
    InitRadCoef = 5.0f;
    EqualRadProb = 1.0f;
    Moment = 0.0f;
    AlgNeurRemv = 0;
    VarHeight = false;
    EtaHPlus = 1.0f;
    EtaHMinus = 1.0f;
}

void CNetParams::AutoSet(int n, double q) {
    SetDefaults();
    double g;
    if (q < 0.55) {
        g = 0.9;
    } else if (q <= 0.95) {
        g = 2 * (1 - q);
    } else {
        g = 0.1;
    }
    EtaGrPlus = static_cast<float>(g);
    EtaGrPlus = static_cast<float>(static_cast<int>(20 * EtaGrPlus + 0.5) / 20.0);

    // No training set is empty where this runs; an empty one keeps the default rate rather
    // than taking the logarithm of a non-positive number.
    if (n < 1) return;
    // 2 / n cut (not rounded) to two significant digits. The product is formed in single
    // precision like e itself: in double, the float error of e would cut 2/100 to 0.019.
    const float e = static_cast<float>(2.0 / n);
    const int k = static_cast<int>(2 - std::log10(static_cast<double>(e)));
    const double scale = std::pow(10.0, k);
    const float scaled = e * static_cast<float>(scale);
    EtaUse = static_cast<float>(static_cast<int>(scaled) / scale);
    UseTr = EtaUse;
}

void CNetParams::SetDefaultsEtaUse(float x) {
    SetDefaults();
    UseTr = x;
    EtaUse = static_cast<float>(UseTr);
}

void CNetParams::Read(mfstream& in) {
    MaxNeur = 10000;
    in.ReadValueIfLabel("MaxNeur", MaxNeur);
    in.ReadValue("EtaPlus", EtaPlus);
    in.ReadValue("EtaMinus", EtaMinus);
    in.ReadValue("EtaGrPlus", EtaGrPlus);
    in.ReadValue("EtaGrMinus", EtaGrMinus);
    VarHeight = false;
    in.ReadValueIfLabel("VarHeight", VarHeight);
    if (VarHeight) {
        in.ReadValue("EtaHPlus", EtaHPlus);
        in.ReadValue("EtaHMinus", EtaHMinus);
    }
    in.ReadValue("Probab", Probab);
    in.ReadValue("Delta0", Delta0);
    in.ReadValue("DeltaMin", DeltaMin);
    in.ReadValue("DeltaMax", DeltaMax);
    AlgNeurRemv = 0;
    in.ReadValueIfLabel("AlgNeurRemv", AlgNeurRemv);
    in.ReadValue("EtaUse", EtaUse);
    in.ReadValue("UseTr", UseTr);
    in.ReadValueIfLabel("EtaActiv", EtaActiv);
    in.ReadValueIfLabel("ActTr", ActTr);
    MinLife2Remv = -1;
    in.ReadValueIfLabel("MinLife2Remv", MinLife2Remv);
    in.ReadValue("DecrsEta", DecrsEta);
    in.ReadValueIfLabel("NeurInsTime", NeurInsTime);
    in.ReadValueIfLabel("InitRadCoef", InitRadCoef);
    in.ReadValueIfLabel("EqualRadProb", EqualRadProb);
    in.ReadValueIfLabel("Moment", Moment);
}


void CNetParams::Write(std::ostream& out) const {
    StreamFormat notation(out);
    out << "@MaxNeur\t" << MaxNeur << "\n\n";
    out << "@EtaPlus\t" << EtaPlus << '\n';
    out << "@EtaMinus\t" << EtaMinus << '\n';
    out << "@EtaGrPlus\t" << EtaGrPlus << '\n';
    out << "@EtaGrMinus\t" << EtaGrMinus << "\n\n";
    if (VarHeight) {
        out << "@VarHeight\t" << VarHeight << '\n';
        out << "@EtaHPlus\t" << EtaHPlus << '\n';
        out << "@EtaHMinus\t" << EtaHMinus << "\n\n";
    }
    out << "@Probab \t" << Probab << "\n\n";
    out << "@Delta0 \t" << Delta0 << '\n';
    out << "@DeltaMin\t" << DeltaMin << '\n';
    out << "@DeltaMax\t" << DeltaMax << "\n\n";
    if (AlgNeurRemv != 0) {
        out << "@AlgNeurRemv\t" << AlgNeurRemv << " \t";
        if (AlgNeurRemv == 1) {
            out << "$ Standard improved\n";
        } else if (AlgNeurRemv == 2) {
            out << "$ New\n";
        }
    }
    out << "@EtaUse  \t" << EtaUse << '\n';
    out << "@UseTr   \t" << UseTr << '\n';
    if (AlgNeurRemv != 0) {
        out << "@EtaActiv\t" << EtaActiv << '\n';
        out << "@ActTr   \t" << ActTr << '\n';
    }
    if (MinLife2Remv > 0) out << "@MinLife2Remv\t" << MinLife2Remv << '\n';
    out << "@DecrsEta\t" << DecrsEta << "\n\n";
    out << "@NeurInsTime \t" << NeurInsTime << '\n';
    out << "@InitRadCoef \t" << InitRadCoef << '\n';
    out << "@EqualRadProb\t" << EqualRadProb << '\n';
    if (Moment > 0) out << "@Moment  \t" << Moment << "\n\n";
}
