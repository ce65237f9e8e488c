#pragma once

#include <memory>

#include "ltfc/dataset.h"
#include "ltfc/net.h"
#include "ltfc/net_params.h"

class CObjSampler;

// What the two network commands drive: one database, at most one network and the parameters
// it learns with. Every failure is an EException (or a reader error); none is an Error,
// except a network file that cannot be written.
class CLtfcController {
public:
    CLtfcController();
    ~CLtfcController();
    CLtfcController(const CLtfcController&) = delete;
    CLtfcController& operator=(const CLtfcController&) = delete;

    // The extension (at most three characters after the last ".", lower-cased) picks the
    // format: "dst" or "dat", anything else EInvalidFileFormat. A network of another problem
    // type than the new database is dropped.
    void LoadDatabase(const char* file);
    // An empty network sized by data set 0.
    void CreateNetwork();
    // Trains for `steps` steps (20 passes over data set 0 when automatic), creating the
    // network first when there is none. The parameters always come from the data: `p` is
    // overwritten, and in manual mode x sets the usefulness rate and threshold.
    void Train(CNetParams p, bool automatic, float x);
    // Network, parameters and (when present) DeltaTr from a network file. A network of
    // another problem type than the database raises EDiffProblemTypes and changes nothing.
    void LoadNetwork(const char* file);
    // CalcErrorText(7, file) when the file cannot be written.
    void SaveNetwork(const char* file);
    // The class the network gives sample i of data set 0; actual receives the sample's class.
    int Classify(int i, int& actual);
    static bool IsCompatible(const CDataInterface& network, const CDataInterface& data);
    // Deletes the database, then the network.
    void Clear();

    // Null when none is loaded.
    CDatabase* GetDatabase() const { return database.get(); }
    CNet* GetNet() const { return net.get(); }

    CNetParams params;
    float DeltaTr = 0.1f;
    // Training steps still to be made; set by the caller before Train.
    int steps = 0;

private:
    void AutoParams(CObjSampler& sampler);
    void TrainLoop(CObjSampler& sampler);

    std::unique_ptr<CNet> net;
    std::unique_ptr<CDatabase> database;
};
