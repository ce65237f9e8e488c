#pragma once

#include <ostream>

class mfstream;

// The parameters an LTF-C network learns with: a plain value block, copied by value.
struct CNetParams {
    int MaxNeur;
    float EtaPlus;
    float EtaMinus;
    float EtaGrPlus;
    float EtaGrMinus;
    float Probab;
    float Delta0;
    float DeltaMin;
    float DeltaMax;
    float EtaUse;
    float EtaActiv;
    double UseTr;
    double ActTr;
    bool DecrsEta;
    int MinLife2Remv;
    float NeurInsTime;
    float InitRadCoef;
    float EqualRadProb;
    float Moment;
    int AlgNeurRemv;
    bool VarHeight;
    float EtaHPlus;
    float EtaHMinus;

    // The automatic setting for 1000 samples whose largest class has the share 0.7.
    CNetParams();

    void SetDefaults();
    // For a training set of n samples whose largest class has the share q.
    void AutoSet(int n, double q);
    // The defaults, with the usefulness rate and threshold both x.
    void SetDefaultsEtaUse(float x);

    // The parameter block of a network file; absent optional labels keep or reset fields as
    // the file format says.
    void Read(mfstream& in);
    // Written in the stream's default notation with six significant digits, whatever
    // formatting the stream was left in.
    void Write(std::ostream& out) const;
};
